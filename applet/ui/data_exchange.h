// Moves page members to or from their controls in one function per page. A failed check shows
// its message, puts the focus on the control and stops the rest of the exchange.
#pragma once

#include <windows.h>
#include <stdint.h>

#include <string>

class DataExchange
{
  public:
    DataExchange(HWND dialog, bool fromControls) : dialog_(dialog), from_(fromControls) {}
    bool FromControls() const
    {
        return from_;
    }
    bool Failed() const
    {
        return failed_;
    }

    // Edit text as a decimal integer; "Enter an integer." when it is none.
    void Int(int id, int32_t* value);
    void Text(int id, std::wstring* value);
    // Check box: ticked is true.
    void Check(int id, bool* value);
    // Drop-down list: selects the first item that begins with the text; takes the selected text.
    void ListText(int id, std::wstring* value);
    // After the control's exchange, from the controls only: "Enter an integer between %1 and
    // %2." unless min <= value <= max.
    void Range(int id, int32_t value, int32_t min, int32_t max);

  private:
    void Fail(int id, const wchar_t* text, bool selectText);
    HWND dialog_;
    bool from_;
    bool failed_ = false;
};

// Parses optional blanks, an optional sign, decimal digits and optional blanks; false for
// anything else and for values outside 32 bits.
bool ParseInteger(const wchar_t* text, int32_t* value);
