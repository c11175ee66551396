object HintEd: THintEd
  Left = 200
  Top = 120
  Width = 557
  Height = 300
  Caption = 'Hint Editor'
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -16
  Font.Name = 'System'
  Font.Style = []
  OldCreateOrder = False
  PixelsPerInch = 96
  TextHeight = 16
  object StringGrid1: TStringGrid
    Left = 0
    Top = 0
    Width = 549
    Height = 223
    Align = alClient
    ColCount = 4
    DefaultColWidth = 100
    FixedCols = 0
    RowCount = 5
    Options = [goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goDrawFocusSelected, goRowSizing, goColSizing, goRowMoving, goColMoving, goEditing, goTabs, goAlwaysShowEditor, goThumbTracking]
    ParentShowHint = False
    ShowHint = False
    TabOrder = 0
    OnColumnMoved = StringGrid1ColumnMoved
  end
  object Panel1: TPanel
    Left = 0
    Top = 223
    Width = 549
    Height = 50
    Align = alBottom
    TabOrder = 1
    object Label1: TLabel
      Left = 8
      Top = 16
      Width = 60
      Height = 16
      Caption = 'Sort by'
    end
    object SortCB: TComboBox
      Left = 72
      Top = 12
      Width = 120
      Height = 24
      Hint = 'Select Sort Order'
      Style = csDropDownList
      ItemHeight = 16
      Items.Strings = (
        'Parent'
        'Top then Left'
        'Left')
      ParentShowHint = False
      ShowHint = True
      TabOrder = 0
      OnChange = SortCBChange
    end
    object BtnRescale: TBitBtn
      Left = 196
      Top = 10
      Width = 80
      Height = 29
      Hint = 'Rescale / Resize controls'
      Caption = '&Rescale'
      ParentShowHint = False
      ShowHint = True
      TabOrder = 1
      OnClick = BtnRescaleClick
    end
    object TextBtn: TBitBtn
      Left = 280
      Top = 10
      Width = 80
      Height = 29
      Hint = 'Save as an ASCII text file'
      Caption = '&Text'
      ParentShowHint = False
      ShowHint = True
      TabOrder = 2
      OnClick = TextBtnClick
    end
    object OKBtn: TBitBtn
      Left = 364
      Top = 10
      Width = 86
      Height = 29
      Hint = 'Accept Changes'
      ParentShowHint = False
      ShowHint = True
      Caption = '&OK'
      TabOrder = 3
      Kind = bkOK
    end
    object CancelBtn: TBitBtn
      Left = 454
      Top = 10
      Width = 87
      Height = 29
      Hint = 'Close without changing anything'
      ParentShowHint = False
      ShowHint = True
      Caption = '&Cancel'
      TabOrder = 4
      Kind = bkCancel
    end
  end
  object SaveDialog: TSaveDialog
    DefaultExt = 'txt'
    Filter = 'Text Files|*.txt|All Files|*.*'
    Options = [ofOverwritePrompt]
    Title = 'Save Parentage Outline'
    Left = 16
    Top = 16
  end
end
