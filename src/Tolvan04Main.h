// The notice window: what has happened to the old product, its successor's logo and a link
// to the maker's website.
#pragma once

#include "win/Form.h"
#include "win/Unique.h"

#include <array>

class TApplication;

class TForm1 : public win::Form {
public:
    explicit TForm1(TApplication& application);
    ~TForm1() override;

    // Declaration order is creation and stacking order, bottom first.
    win::TLabel Label1;
    win::TLabel Label2;
    win::TLabel Label3;
    win::TImage Image1;
    win::TLabel Label4;
    win::TLabel LblWebsite;
    win::TLabel Label5;

    void LblWebsiteClick(win::TControl& Sender);

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    HWND applicationWindow_;
    std::array<win::UniqueFont, 3> fonts_;
    win::UniqueBitmap logo_;
};

extern TForm1* Form1;
