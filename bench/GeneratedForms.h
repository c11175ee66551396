// Large forms for the benchmarks, in the layout the form designer writes. Each has a main menu
// holding one component in 32 (top items with up to 31 items each) and buttons for the rest:
// nested, in panels of up to 63 buttons, or flat, all of them on the form.
#pragma once

#include <string>

namespace bench {

enum class Shape { Nested, Flat };

inline const char* ShapeName(Shape shape) { return shape == Shape::Nested ? "nested" : "flat"; }

inline std::string GeneratedForm(int components, Shape shape) {
    std::string s;
    s.reserve(size_t(components) * 300);
    s += "object MainForm: TMainForm\r\n  Left = 0\r\n  Top = 0\r\n  Caption = 'Generated'\r\n"
         "  ClientHeight = 600\r\n  ClientWidth = 800\r\n";
    int made = 1;
    const int menuItems = components / 32;
    if (menuItems > 0) {
        s += "  Menu = MainMenu1\r\n  object MainMenu1: TMainMenu\r\n    Left = 8\r\n    Top = 8\r\n";
        ++made;
        for (int top = 0; top < menuItems;) {
            const std::string t = std::to_string(made++);
            s += "    object Menu" + t + ": TMenuItem\r\n      Caption = '&Menu " + t + "'\r\n";
            for (int i = 1; i < 32 && top + i < menuItems; ++i) {
                const std::string n = std::to_string(made++);
                s += "      object Menu" + n + ": TMenuItem\r\n        Caption = 'Item " + n +
                     "'\r\n        ShortCut = 16449\r\n        OnClick = Menu" + n + "Click\r\n      end\r\n";
            }
            top += 32;
            s += "    end\r\n";
        }
        s += "  end\r\n";
    }
    const std::string indent = shape == Shape::Nested ? "    " : "  ";
    int panel = 0;
    while (made < components) {
        if (shape == Shape::Nested) {
            const std::string p = std::to_string(++panel);
            s += "  object Panel" + p + ": TPanel\r\n    Left = " + std::to_string(panel % 800) +
                 "\r\n    Top = 8\r\n    Width = 200\r\n    Height = 400\r\n    Caption = 'Panel " + p + "'\r\n";
            ++made;
        }
        for (int i = 0; i < 63 && made < components; ++i, ++made) {
            const std::string n = std::to_string(made), in = indent + "  ";
            const int order = shape == Shape::Nested ? i : made - 1 - menuItems - 1;
            s += indent + "object Button" + n + ": TButton\r\n" + in + "Left = " + std::to_string(i * 3) + "\r\n" + in +
                 "Top = " + std::to_string(i * 27) + "\r\n" + in + "Width = 75\r\n" + in + "Height = 25\r\n" + in +
                 "Hint = 'Runs action number " + n + " of the panel'\r\n" + in + "Caption = 'Button " + n + "'\r\n" +
                 in + "Font.Style = [fsBold, fsItalic]\r\n" + in + "TabOrder = " + std::to_string(order) + "\r\n" +
                 in + "OnClick = Button" + n + "Click\r\n" + indent + "end\r\n";
        }
        if (shape == Shape::Nested) s += "  end\r\n";
    }
    s += "end\r\n";
    return s;
}

// One button with any number of properties that no catalogue knows: reading must stay linear
// in what one object holds.
inline std::string WideForm(int properties) {
    std::string s = "object MainForm: TForm\r\n  Caption = 'Wide'\r\n  object Wide: TButton\r\n";
    for (int i = 0; i < properties; ++i) s += "    Extra" + std::to_string(i) + " = " + std::to_string(i) + "\r\n";
    return s + "  end\r\nend\r\n";
}

// The form most benchmarks share: 32,767 components, nested, about 9 MB of text.
inline const std::string& GeneratedForm() {
    static const std::string text = GeneratedForm(32767, Shape::Nested);
    return text;
}

}  // namespace bench
