object ZorAboutBox: TZorAboutBox
  Left = 200
  Top = 120
  ActiveControl = OKBtn
  BorderStyle = bsDialog
  Caption = 'About'
  ClientHeight = 160
  ClientWidth = 320
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  OldCreateOrder = False
  Position = poScreenCenter
  PixelsPerInch = 96
  TextHeight = 13
  object ProgramIcon: TImage
    Left = 16
    Top = 16
    Width = 48
    Height = 48
  end
  object ProductName: TLabel
    Left = 80
    Top = 16
    Width = 224
    Height = 13
    Font.Style = [fsBold]
  end
  object Version: TLabel
    Left = 80
    Top = 36
    Width = 224
    Height = 13
  end
  object Copyright: TLabel
    Left = 80
    Top = 56
    Width = 224
    Height = 13
  end
  object Comments: TLabel
    Left = 16
    Top = 84
    Width = 288
    Height = 26
    WordWrap = True
  end
  object OKBtn: TBitBtn
    Left = 122
    Top = 124
    Width = 75
    Height = 25
    Caption = '&OK'
    TabOrder = 0
    Kind = bkOK
  end
end
