object CustomerOrdersForm: TCustomerOrdersForm
  Left = 200
  Top = 120
  Width = 640
  Height = 480
  Caption = 'Customers and their orders'
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  PixelsPerInch = 96
  TextHeight = 13
  object LabelCompany: TLabel
    Left = 8
    Top = 12
    Width = 44
    Height = 13
    Caption = 'Company'
  end
  object EditCompany: TDBEdit
    Left = 72
    Top = 8
    Width = 200
    Height = 21
    DataField = 'Company'
    DataSource = CustomerSource
    TabOrder = 0
  end
  object EditCity: TDBEdit
    Left = 280
    Top = 8
    Width = 120
    Height = 21
    DataField = 'city'
    DataSource = CustomerSource
    TabOrder = 1
  end
  object CustomerNavigator: TDBNavigator
    Left = 408
    Top = 8
    Width = 200
    Height = 25
    DataSource = CustomerSource
    TabOrder = 2
  end
  object OrdersGrid: TDBGrid
    Left = 8
    Top = 40
    Width = 600
    Height = 200
    DataSource = OrdersSource
    TabOrder = 3
  end
  object PaidEdit: TDBEdit
    Left = 8
    Top = 248
    Width = 100
    Height = 21
    DataField = 'AmountPaid'
    DataSource = OrdersSource
    TabOrder = 4
  end
  object BigOrdersGrid: TDBGrid
    Left = 8
    Top = 280
    Width = 600
    Height = 150
    DataSource = BigOrdersSource
    TabOrder = 5
  end
  object Customers: TTable
    DatabaseName = 'DBDEMOS'
    TableName = 'customer.db'
    Left = 24
    Top = 400
    object CustomersCustNo: TFloatField
      FieldName = 'CustNo'
    end
    object CustomersCompany: TStringField
      FieldName = 'Company'
      Size = 30
    end
  end
  object CustomerSource: TDataSource
    DataSet = Customers
    Left = 64
    Top = 400
  end
  object Orders: TTable
    DatabaseName = 'DBDEMOS'
    IndexFieldNames = 'CustNo'
    MasterFields = 'CustNo'
    MasterSource = CustomerSource
    TableName = 'ORDERS.DB'
    Left = 104
    Top = 400
    object OrdersAmountPaid: TCurrencyField
      FieldName = 'AmountPaid'
    end
  end
  object OrdersSource: TDataSource
    DataSet = Orders
    Left = 144
    Top = 400
  end
  object BigOrders: TQuery
    DatabaseName = 'DBDEMOS'
    DataSource = CustomerSource
    SQL.Strings = (
      'select OrderNo, SaleDate, AmountPaid'
      'from "orders.db"'
      'where CustNo = :CustNo and AmountPaid > :MinAmount')
    Left = 184
    Top = 400
    ParamData = <
      item
        DataType = ftFloat
        Name = 'CustNo'
        ParamType = ptUnknown
      end
      item
        DataType = ftCurrency
        Name = 'MinAmount'
        ParamType = ptUnknown
      end>
  end
  object BigOrdersSource: TDataSource
    DataSet = BigOrders
    Left = 224
    Top = 400
  end
  object CustomerOrdersProc: TStoredProc
    DatabaseName = 'DBDEMOS'
    StoredProcName = 'customer_orders'
    Left = 264
    Top = 400
    ParamData = <
      item
        DataType = ftFloat
        Name = 'cust'
        ParamType = ptInput
      end>
  end
end
