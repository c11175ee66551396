object FrmInfo: TFrmInfo
  Left = 192
  Top = 107
  Width = 420
  Height = 380
  Caption = 'Parentage'
  object OutlineParent: TOutline
    Left = 0
    Top = 0
    Width = 412
    Height = 312
    Align = alClient
    ItemHeight = 16
    TabOrder = 0
    OnMouseDown = OutlineParentMouseDown
    OnDragOver = OutlineParentDragOver
    OnDragDrop = OutlineParentDragDrop
  end
  object Panel1: TPanel
    Left = 0
    Top = 312
    Width = 412
    Height = 41
    Align = alBottom
    TabOrder = 1
    object BtnExpand: TBitBtn
      Left = 272
      Top = 8
      Width = 64
      Height = 25
      Hint = 'Expand outline fully'
      Caption = 'E&xpand'
      ParentShowHint = False
      ShowHint = True
      TabOrder = 4
      OnClick = BtnExpandClick
    end
    object BtnCollapse: TBitBtn
      Left = 340
      Top = 8
      Width = 64
      Height = 25
      Hint = 'Collapse outline Fully'
      Caption = '&Collapse'
      ParentShowHint = False
      ShowHint = True
      TabOrder = 5
      OnClick = BtnCollapseClick
    end
    object EditBtn: TButton
      Left = 140
      Top = 8
      Width = 64
      Height = 25
      Hint = 'Edit the Selected control'#39's tcontrol properties'
      Caption = '&Edit'
      ParentShowHint = False
      ShowHint = True
      TabOrder = 2
      OnClick = EditBtnClick
    end
    object PrintBtn: TBitBtn
      Left = 206
      Top = 8
      Width = 64
      Height = 25
      Hint = 'Save as an ASCII text file'
      Caption = '&Text'
      ParentShowHint = False
      ShowHint = True
      TabOrder = 3
      OnClick = PrintBtnClick
    end
    object OKBtn: TBitBtn
      Left = 6
      Top = 8
      Width = 64
      Height = 25
      Hint = 'Accept Changes'
      ParentShowHint = False
      ShowHint = True
      Caption = '&OK'
      TabOrder = 0
      Kind = bkOK
    end
    object CancelBtn: TBitBtn
      Left = 72
      Top = 8
      Width = 64
      Height = 25
      Hint = 'Close without changing anything'
      ParentShowHint = False
      ShowHint = True
      Caption = 'C&ancel'
      TabOrder = 1
      Kind = bkCancel
    end
  end
  object SaveDialog: TSaveDialog
    DefaultExt = 'txt'
    Filter = 'Text Files|*.txt|All Files|*.*'
    Options = [ofOverwritePrompt, ofHideReadOnly]
    Title = 'Save Parentage Outline'
    Left = 16
    Top = 16
  end
end
