// The large form the benchmarks share: 32,767 components in panels of up to 63 buttons,
// about 8 MB of text, in the layout the form designer writes.
#pragma once

#include <string>

namespace bench {

inline const std::string& GeneratedForm() {
    static const std::string text = [] {
        std::string s;
        s.reserve(9u << 20);
        s += "object MainForm: TMainForm\r\n  Left = 0\r\n  Top = 0\r\n  Caption = 'Generated'\r\n"
             "  ClientHeight = 600\r\n  ClientWidth = 800\r\n";
        int made = 1, panel = 0;
        while (made < 32767) {
            std::string p = std::to_string(++panel);
            s += "  object Panel" + p + ": TPanel\r\n    Left = " + std::to_string(panel % 800) +
                 "\r\n    Top = 8\r\n    Width = 200\r\n    Height = 400\r\n    Caption = 'Panel " + p + "'\r\n";
            ++made;
            for (int i = 0; i < 63 && made < 32767; ++i, ++made) {
                std::string n = std::to_string(made);
                s += "    object Button" + n + ": TButton\r\n      Left = " + std::to_string(i * 3) +
                     "\r\n      Top = " + std::to_string(i * 27) + "\r\n      Width = 75\r\n      Height = 25\r\n"
                     "      Hint = 'Runs action number " + n + " of the panel'\r\n      Caption = 'Button " + n +
                     "'\r\n      Font.Style = [fsBold, fsItalic]\r\n      TabOrder = " + std::to_string(i) +
                     "\r\n      OnClick = Button" + n + "Click\r\n    end\r\n";
            }
            s += "  end\r\n";
        }
        s += "end\r\n";
        return s;
    }();
    return text;
}

}  // namespace bench
