object ControlDetailBox: TControlDetailBox
  Left = 245
  Top = 108
  ActiveControl = OKBtn
  BorderStyle = bsDialog
  Caption = 'Control Details'
  ClientHeight = 233
  ClientWidth = 329
  Position = poScreenCenter
  object Label7: TLabel
    Left = 8
    Top = 12
    Width = 44
    Height = 13
    Caption = 'Name'
  end
  object EdName: TEdit
    Left = 56
    Top = 8
    Width = 265
    Height = 21
    TabOrder = 0
  end
  object Label8: TLabel
    Left = 8
    Top = 40
    Width = 44
    Height = 13
    Caption = 'Class'
  end
  object EdClass: TEdit
    Left = 56
    Top = 36
    Width = 161
    Height = 21
    TabOrder = 1
  end
  object CheckBox1: TCheckBox
    Left = 232
    Top = 38
    Width = 89
    Height = 17
    Caption = '&Enabled'
    TabOrder = 2
  end
  object Label1: TLabel
    Left = 8
    Top = 68
    Width = 19
    Height = 13
    Caption = 'Top'
  end
  object EdTop: TEdit
    Left = 56
    Top = 64
    Width = 57
    Height = 21
    TabOrder = 3
  end
  object Label2: TLabel
    Left = 124
    Top = 68
    Width = 34
    Height = 13
    Caption = 'Left'
  end
  object EdLeft: TEdit
    Left = 160
    Top = 64
    Width = 57
    Height = 21
    TabOrder = 4
  end
  object CheckBox2: TCheckBox
    Left = 232
    Top = 66
    Width = 89
    Height = 17
    Caption = '&Visible'
    TabOrder = 5
  end
  object Label4: TLabel
    Left = 8
    Top = 96
    Width = 44
    Height = 13
    Caption = 'Height'
  end
  object EdHeight: TEdit
    Left = 56
    Top = 92
    Width = 57
    Height = 21
    TabOrder = 6
  end
  object Label3: TLabel
    Left = 124
    Top = 96
    Width = 34
    Height = 13
    Caption = 'Width'
  end
  object EdWidth: TEdit
    Left = 160
    Top = 92
    Width = 57
    Height = 21
    TabOrder = 7
  end
  object Label5: TLabel
    Left = 8
    Top = 124
    Width = 44
    Height = 13
    Caption = 'Hint'
  end
  object EdHint: TEdit
    Left = 56
    Top = 120
    Width = 161
    Height = 21
    TabOrder = 8
  end
  object CheckBox3: TCheckBox
    Left = 232
    Top = 122
    Width = 89
    Height = 17
    Caption = '&ShowHint'
    TabOrder = 9
  end
  object Label6: TLabel
    Left = 8
    Top = 152
    Width = 19
    Height = 13
    Caption = 'Tag'
  end
  object EdTag: TEdit
    Left = 56
    Top = 148
    Width = 57
    Height = 21
    TabOrder = 10
  end
  object OKBtn: TBitBtn
    Left = 80
    Top = 192
    Width = 75
    Height = 25
    Caption = '&OK'
    TabOrder = 11
    Kind = bkOK
  end
  object CancelBtn: TBitBtn
    Left = 176
    Top = 192
    Width = 75
    Height = 25
    Caption = '&Cancel'
    TabOrder = 12
    Kind = bkCancel
  end
end
