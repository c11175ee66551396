object MemoWindow: TMemoWindow
  Left = 200
  Top = 120
  Width = 560
  Height = 440
  Caption = 'Property Values'
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = [fsBold]
  OldCreateOrder = False
  Position = poScreenCenter
  PixelsPerInch = 96
  TextHeight = 13
  object Panel1: TPanel
    Left = 0
    Top = 372
    Width = 552
    Height = 41
    Align = alBottom
    TabOrder = 1
    object OKBtn: TBitBtn
      Left = 120
      Top = 8
      Width = 89
      Height = 25
      Caption = '&OK'
      TabOrder = 1
      Kind = bkOK
    end
    object CancelBtn: TBitBtn
      Left = 224
      Top = 8
      Width = 89
      Height = 25
      Cancel = True
      Caption = '&Cancel'
      TabOrder = 2
      Kind = bkCancel
    end
    object HelpBtn: TBitBtn
      Left = 328
      Top = 8
      Width = 89
      Height = 25
      Caption = '&Help'
      TabOrder = 3
      Kind = bkHelp
    end
    object BitBtn1: TBitBtn
      Left = 16
      Top = 8
      Width = 89
      Height = 25
      Cancel = True
      Caption = '&Paste'
      TabOrder = 0
      OnClick = BitBtn1Click
      Glyph.Data = {
        76010000424D7601000000000000760000002800000020000000100000000100
        0400000000000001000000000000000000001000000010000000000000000000
        80000080000000808000800000008000800080800000C0C0C000808080000000
        FF0000FF000000FFFF00FF000000FF00FF00FFFF0000FFFFFF00333333333333
        3333333333333333333330000000000000033888888888888883301111111111
        11033888888888888883301111111111110338888888888888833011FFFFFFFF
        110338887777777788833011F4444FFF110338887888877788833011FFFFFFFF
        110338887777777788833011F444444F110338887888888788833011FFFFFFFF
        110338887777777788833011F44444FF110338887888887788833011FFFFFFFF
        110338887777777788833011F444444F110338887888888788833011FFFFFFFF
        11033888777777778883301110000001110338888888888888833000007FF700
        0003388888777788888333333300003333333333338888333333}
      NumGlyphs = 2
    end
  end
  object Memo1: TMemo
    Left = 0
    Top = 0
    Width = 552
    Height = 372
    Align = alClient
    Lines.Strings = (
      'Memo1')
    ScrollBars = ssBoth
    TabOrder = 0
  end
end
