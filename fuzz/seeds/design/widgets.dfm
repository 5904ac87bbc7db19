object Main: TTestRoot
  Caption = 'KIV INSTALLER 2000'
  Count = $7F
  Big = -9223372036854775808
  Small = 255
  Enabled = False
  Ratio = -1.5E2
  Shade = shDark
  Options = [ooBold, ooUnderline]
  Font.Name = 'Terminal'
  Font.Color = clWhite
  Lines.Strings = (
    'it''s'
    ''
    'a'#13#10'b' + #$41)
  Items = <
    item
      Caption = 'UNRAR.DLL'
      Weight = 3
    end
    item
    end>
  Blob = {
    00FF10AB}
  object panel: TWidget
    Partner = tail
    OnClick = ButtonClick
    OnQuery = AskQuery
    object inner: TWidget
      Blob = { @file 'lib' }
    end
  end
  object tail: TWidget
    Partner = Main
  end
  object plain: TPlain
    Tag = 5
  end
end
