object Form1: TForm1
  Left = 240
  Top = 160
  Width = 360
  Height = 250
  Caption = 'Input controls'
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  OldCreateOrder = False
  PixelsPerInch = 96
  TextHeight = 13
  object Edit1: TEdit
    Left = 96
    Top = 16
    Width = 217
    Height = 21
    TabOrder = 0
    Text = 'Edit1'
  end
  object Label1: TLabel
    Left = 16
    Top = 20
    Width = 31
    Height = 13
    Caption = 'Name:'
    FocusControl = Edit1
  end
  object CheckBox1: TCheckBox
    Left = 16
    Top = 52
    Width = 121
    Height = 17
    Caption = 'Active'
    TabOrder = 1
  end
  object RadioGroup1: TRadioGroup
    Left = 16
    Top = 80
    Width = 297
    Height = 105
    Caption = 'Kind'
    ItemIndex = 0
    Items.Strings = (
      'Customer'
      'Supplier'
      'Both')
    TabOrder = 2
  end
  object TavrinQA1: TTavrinQA
    Left = 320
    Top = 192
  end
end
