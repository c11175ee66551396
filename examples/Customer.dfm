object CustomerForm: TCustomerForm
  Left = 192
  Top = 107
  Width = 520
  Height = 380
  Caption = 'Customers'
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  Menu = MainMenu1
  OldCreateOrder = False
  PixelsPerInch = 96
  TextHeight = 13
  object LabelName: TLabel
    Left = 16
    Top = 20
    Width = 31
    Height = 13
    Caption = '&Name:'
    FocusControl = EditName
  end
  object EditName: TEdit
    Left = 80
    Top = 16
    Width = 200
    Height = 21
    Hint = 'The customer'#39's full name'
    ParentShowHint = False
    ShowHint = True
    TabOrder = 0
    Text = 'EditName'
  end
  object PanelAddress: TPanel
    Left = 16
    Top = 48
    Width = 480
    Height = 120
    Caption = 'PanelAddress'
    TabOrder = 2
    object EditStreet: TEdit
      Left = 8
      Top = 8
      Width = 300
      Height = 21
      TabOrder = 1
      Text = ''
    end
    object EditCity: TEdit
      Left = 8
      Top = 40
      Width = 160
      Height = 21
      TabOrder = 0
      Text = ''
    end
    object CheckActive: TCheckBox
      Left = 8
      Top = 72
      Width = 97
      Height = 17
      Caption = 'Active'
      Checked = True
      State = cbChecked
      TabOrder = 2
    end
  end
  object Notebook1: TNotebook
    Left = 16
    Top = 176
    Width = 480
    Height = 100
    TabOrder = 1
    object TPage
      Left = 0
      Top = 0
      Caption = 'Orders Page'
      object DBGrid1: TDBGrid
        Left = 0
        Top = 0
        Width = 480
        Height = 100
        Align = alClient
        DataSource = DataSource1
        TabOrder = 0
      end
    end
    object TPage
      Left = 0
      Top = 0
      Caption = '&Notes'
      object DBMemoNotes: TDBMemo
        Left = 0
        Top = 0
        Width = 480
        Height = 100
        DataField = 'Notes'
        DataSource = DataSource1
        TabOrder = 0
      end
    end
  end
  object ButtonOK: TBitBtn
    Left = 336
    Top = 296
    Width = 75
    Height = 25
    TabOrder = 3
    Kind = bkOK
  end
  object ButtonCancel: TBitBtn
    Left = 421
    Top = 296
    Width = 75
    Height = 25
    TabOrder = 4
    Kind = bkCancel
  end
  object MainMenu1: TMainMenu
    Left = 440
    Top = 8
    object File1: TMenuItem
      Caption = '&File'
      object Open1: TMenuItem
        Caption = '&Open...'
        ShortCut = 16463
      end
      object N1: TMenuItem
        Caption = '-'
      end
      object Exit1: TMenuItem
        Caption = 'E&xit'
      end
    end
  end
  object Table1: TTable
    DatabaseName = 'TAVRINDEMO'
    TableName = 'customer'
    Left = 408
    Top = 8
  end
  object DataSource1: TDataSource
    DataSet = Table1
    Left = 376
    Top = 8
  end
  object TavrinQA1: TTavrinQA
    Left = 344
    Top = 8
  end
end
