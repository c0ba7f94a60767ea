#include "app/separatorform.h"

#include "form_fixture.h"

namespace {

using tabulora::TFormSeparator;

class SeparatorTest : public FormTest {
protected:
    void SetUp() override { form.Ekle(WriteFile("a.json", "{}")); }

    TFormSeparator& Open(const wchar_t* caption) {
        SetWindowTextW(form.Control(Form::Button4), caption);
        Command(Form::Button4);
        return *form.FormSeparator();
    }
    static bool IsChecked(const TFormSeparator& dialog, int id) {
        return IsDlgButtonChecked(dialog.Handle(), id) == BST_CHECKED;
    }
    static std::wstring EditText(const TFormSeparator& dialog) {
        wchar_t text[8] = {};
        GetWindowTextW(dialog.Control(TFormSeparator::Edit1), text, 8);
        return text;
    }
    static void Choose(TFormSeparator& dialog, int id) {
        SendMessageW(dialog.Control(id), BM_CLICK, 0, 0);
    }
};

TEST_F(SeparatorTest, OpensWithTheButtonsCaptionSelected) {
    struct Case {
        const wchar_t* caption;
        int radio;
        const wchar_t* edit;
    };
    const Case cases[] = {
        {L"\\t", TFormSeparator::RadioButton1, L""}, {L",", TFormSeparator::RadioButton2, L""},
        {L";", TFormSeparator::RadioButton3, L""},   {L" ", TFormSeparator::RadioButton4, L""},
        {L"|", TFormSeparator::RadioButton5, L"|"},  {L"", TFormSeparator::RadioButton5, L""},
        {L"\\", TFormSeparator::RadioButton5, L"\\"},
    };
    for (const Case& c : cases) {
        TFormSeparator& dialog = Open(c.caption);
        const std::string label = winui::WideToUtf8(c.caption);
        EXPECT_TRUE(IsWindowVisible(dialog.Handle())) << label;
        wchar_t title[32] = {};
        GetWindowTextW(dialog.Handle(), title, 32);
        EXPECT_STREQ(title, L"CSV Separator");
        for (int id = TFormSeparator::RadioButton1; id <= TFormSeparator::RadioButton5; ++id) {
            EXPECT_EQ(IsChecked(dialog, id), id == c.radio) << label << " radio " << id;
        }
        EXPECT_EQ(IsWindowEnabled(dialog.Control(TFormSeparator::Edit1)) != FALSE,
                  c.radio == TFormSeparator::RadioButton5)
            << label;
        EXPECT_EQ(EditText(dialog), c.edit) << label;
    }
}

TEST_F(SeparatorTest, OkWritesTheChoiceToTheButton) {
    struct Case {
        int radio;
        const wchar_t* typed;
        const wchar_t* caption;
    };
    const Case cases[] = {
        {TFormSeparator::RadioButton1, nullptr, L"\\t"}, {TFormSeparator::RadioButton2, nullptr, L","},
        {TFormSeparator::RadioButton3, nullptr, L";"},   {TFormSeparator::RadioButton4, nullptr, L" "},
        {TFormSeparator::RadioButton5, L"|", L"|"},      {TFormSeparator::RadioButton5, L"", L""},
        {TFormSeparator::RadioButton5, L"\\", L"\\"},
    };
    for (const Case& c : cases) {
        TFormSeparator& dialog = Open(L"x");
        Choose(dialog, c.radio);
        EXPECT_EQ(IsWindowEnabled(dialog.Control(TFormSeparator::Edit1)) != FALSE,
                  c.radio == TFormSeparator::RadioButton5);
        if (c.typed) SetWindowTextW(dialog.Control(TFormSeparator::Edit1), c.typed);
        SendMessageW(dialog.Handle(), WM_COMMAND, MAKEWPARAM(TFormSeparator::Button1, BN_CLICKED), 0);
        EXPECT_EQ(Caption(Form::Button4), c.caption);
        EXPECT_FALSE(IsWindowVisible(dialog.Handle()));
    }
}

TEST_F(SeparatorTest, CancelEscAndCloseBoxLeaveTheButtonAlone) {
    for (UINT message : {WM_COMMAND, WM_CLOSE}) {
        TFormSeparator& dialog = Open(L";");
        Choose(dialog, TFormSeparator::RadioButton1);
        // IDCANCEL is also what Esc sends in the dialog.
        SendMessageW(dialog.Handle(), message, message == WM_COMMAND ? IDCANCEL : 0, 0);
        EXPECT_EQ(Caption(Form::Button4), L";");
        EXPECT_FALSE(IsWindowVisible(dialog.Handle()));
    }
}

TEST_F(SeparatorTest, TheBoxTakesOneCharacterAndDialogsDoNotBlockEachOther) {
    TFormSeparator& first = Open(L",");
    EXPECT_EQ(SendMessageW(first.Control(TFormSeparator::Edit1), EM_GETLIMITTEXT, 0, 0), 1);
    TFormSeparator* firstPointer = &first;
    TFormSeparator& second = Open(L",");
    EXPECT_NE(firstPointer, &second);
    EXPECT_TRUE(IsWindowVisible(firstPointer->Handle()));
    EXPECT_TRUE(IsWindowEnabled(form.Handle()));
    Choose(*firstPointer, TFormSeparator::RadioButton3);
    firstPointer->Button1Click();
    EXPECT_EQ(Caption(Form::Button4), L";");
}

}  // namespace
