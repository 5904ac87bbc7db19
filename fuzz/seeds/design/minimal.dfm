object TWidget
  Caption = #233
end
