object ScaleDlg: TScaleDlg
  Left = 245
  Top = 108
  ActiveControl = OKBtn
  BorderStyle = bsDialog
  Caption = 'Scaling'
  ClientHeight = 209
  ClientWidth = 425
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = [fsBold]
  OldCreateOrder = False
  ParentShowHint = False
  Position = poScreenCenter
  ShowHint = True
  PixelsPerInch = 96
  TextHeight = 13
  object GroupBox1: TGroupBox
    Left = 8
    Top = 8
    Width = 201
    Height = 153
    Caption = ' Rescale Horiz Positions '
    TabOrder = 0
    object CheckLeftOffset: TCheckBox
      Left = 8
      Top = 20
      Width = 112
      Height = 17
      Hint = 'Change all left properties '
      Caption = '&Left Offset'
      TabOrder = 0
    end
    object LeftOffset: TEdit
      Left = 124
      Top = 18
      Width = 65
      Height = 21
      Hint = 'Set Left properties to this'
      TabOrder = 1
      Text = '0'
    end
    object CheckConstWidth: TCheckBox
      Left = 8
      Top = 52
      Width = 112
      Height = 17
      Hint = 'Set all Widths to this'
      Caption = 'Const &Width'
      TabOrder = 2
    end
    object ConstWidth: TEdit
      Left = 124
      Top = 50
      Width = 65
      Height = 21
      Hint = 'Apply a Constant Width Setting'
      TabOrder = 3
      Text = '0'
    end
    object Label1: TLabel
      Left = 8
      Top = 88
      Width = 108
      Height = 13
      Caption = 'Numerator'
    end
    object LeftNumerator: TEdit
      Left = 124
      Top = 84
      Width = 65
      Height = 21
      TabOrder = 4
      Text = '1'
    end
    object Label2: TLabel
      Left = 8
      Top = 120
      Width = 108
      Height = 13
      Caption = 'Denominator'
    end
    object LeftDenom: TEdit
      Left = 124
      Top = 116
      Width = 65
      Height = 21
      TabOrder = 5
      Text = '1'
    end
  end
  object GroupBox2: TGroupBox
    Left = 216
    Top = 8
    Width = 201
    Height = 153
    Caption = ' Rescale Vert Positions '
    TabOrder = 1
    object CheckTopOffset: TCheckBox
      Left = 8
      Top = 20
      Width = 112
      Height = 17
      Hint = 'Set all Controls to this Top value (probably won''t use this much)'
      Caption = '&Top Offset'
      TabOrder = 0
    end
    object TopOffset: TEdit
      Left = 124
      Top = 18
      Width = 65
      Height = 21
      TabOrder = 1
      Text = '0'
    end
    object CheckConstHeight: TCheckBox
      Left = 8
      Top = 52
      Width = 112
      Height = 17
      Hint = 'Set All Component heights to a value'
      Caption = 'Const &Height'
      TabOrder = 2
    end
    object ConstHeight: TEdit
      Left = 124
      Top = 50
      Width = 65
      Height = 21
      Hint = 'The desired height value'
      TabOrder = 3
      Text = '0'
    end
    object Label4: TLabel
      Left = 8
      Top = 88
      Width = 108
      Height = 13
      Caption = 'Numerator'
    end
    object TopNumerator: TEdit
      Left = 124
      Top = 84
      Width = 65
      Height = 21
      TabOrder = 4
      Text = '1'
    end
    object Label5: TLabel
      Left = 8
      Top = 120
      Width = 108
      Height = 13
      Caption = 'Denominator'
    end
    object TopDenom: TEdit
      Left = 124
      Top = 116
      Width = 65
      Height = 21
      TabOrder = 5
      Text = '1'
    end
  end
  object OKBtn: TBitBtn
    Left = 120
    Top = 172
    Width = 89
    Height = 29
    Hint = 'Accept Changes'
    Caption = '&OK'
    TabOrder = 2
    Kind = bkOK
  end
  object CancelBtn: TBitBtn
    Left = 216
    Top = 172
    Width = 89
    Height = 29
    Hint = 'Do not post changes'
    Caption = '&Cancel'
    TabOrder = 3
    Kind = bkCancel
  end
end
