#include "ui/separator_dialog.h"

#include <string>
#include <vector>

#include "form_fixture.h"

namespace {

using tabulora::ui::SeparatorDialog;

class SeparatorTest : public FormTest {
protected:
    void SetUp() override { form.AddInputFile(WriteFile("a.json", "{}")); }

    SeparatorDialog& Open(const wchar_t* separator) {
        form.ChooseSeparator(separator);
        Command(Form::SeparatorButton);
        return *form.LastSeparatorDialog();
    }
    static bool IsChecked(const SeparatorDialog& dialog, int id) {
        return IsDlgButtonChecked(dialog.Handle(), id) == BST_CHECKED;
    }
    static std::wstring EditText(const SeparatorDialog& dialog) {
        wchar_t text[8] = {};
        GetWindowTextW(dialog.Control(SeparatorDialog::OtherEdit), text, 8);
        return text;
    }
    static void Choose(SeparatorDialog& dialog, int id) { SendMessageW(dialog.Control(id), BM_CLICK, 0, 0); }
};

TEST_F(SeparatorTest, OpensWithTheSeparatorSelected) {
    struct Case {
        const wchar_t* separator;
        int radio;
        const wchar_t* edit;
    };
    const Case cases[] = {
        {L"\t", SeparatorDialog::TabRadio, L""},      {L",", SeparatorDialog::CommaRadio, L""},
        {L";", SeparatorDialog::SemicolonRadio, L""}, {L" ", SeparatorDialog::SpaceRadio, L""},
        {L"|", SeparatorDialog::OtherRadio, L"|"},    {L"", SeparatorDialog::OtherRadio, L""},
        {L"\\", SeparatorDialog::OtherRadio, L"\\"},
    };
    for (const Case& c : cases) {
        SeparatorDialog& dialog = Open(c.separator);
        const std::string label = winui::WideToUtf8(c.separator);
        EXPECT_TRUE(IsWindowVisible(dialog.Handle())) << label;
        wchar_t title[32] = {};
        GetWindowTextW(dialog.Handle(), title, 32);
        EXPECT_STREQ(title, L"CSV Separator");
        for (int id = SeparatorDialog::TabRadio; id <= SeparatorDialog::OtherRadio; ++id) {
            EXPECT_EQ(IsChecked(dialog, id), id == c.radio) << label << " radio " << id;
        }
        EXPECT_EQ(IsWindowEnabled(dialog.Control(SeparatorDialog::OtherEdit)) != FALSE,
                  c.radio == SeparatorDialog::OtherRadio)
            << label;
        EXPECT_EQ(EditText(dialog), c.edit) << label;
    }
}

TEST_F(SeparatorTest, OkChangesTheSeparatorAndTheButtonShowsIt) {
    struct Case {
        int radio;
        const wchar_t* typed;
        const char* separator;
        const wchar_t* caption;
    };
    const Case cases[] = {
        {SeparatorDialog::TabRadio, nullptr, "\t", L"\\t"},    {SeparatorDialog::CommaRadio, nullptr, ",", L","},
        {SeparatorDialog::SemicolonRadio, nullptr, ";", L";"}, {SeparatorDialog::SpaceRadio, nullptr, " ", L" "},
        {SeparatorDialog::OtherRadio, L"|", "|", L"|"},        {SeparatorDialog::OtherRadio, L"", "", L""},
        {SeparatorDialog::OtherRadio, L"\\", "\\", L"\\"},
    };
    for (const Case& c : cases) {
        SeparatorDialog& dialog = Open(L"x");
        Choose(dialog, c.radio);
        EXPECT_EQ(IsWindowEnabled(dialog.Control(SeparatorDialog::OtherEdit)) != FALSE,
                  c.radio == SeparatorDialog::OtherRadio);
        if (c.typed) SetWindowTextW(dialog.Control(SeparatorDialog::OtherEdit), c.typed);
        SendMessageW(dialog.Handle(), WM_COMMAND, MAKEWPARAM(SeparatorDialog::OkButton, BN_CLICKED), 0);
        EXPECT_EQ(form.Options().separator, c.separator);
        EXPECT_EQ(Caption(Form::SeparatorButton), c.caption);
        EXPECT_FALSE(IsWindowVisible(dialog.Handle()));
    }
}

TEST_F(SeparatorTest, CancelEscAndCloseBoxLeaveTheSeparatorAlone) {
    for (UINT message : {WM_COMMAND, WM_CLOSE}) {
        SeparatorDialog& dialog = Open(L";");
        Choose(dialog, SeparatorDialog::TabRadio);
        // IDCANCEL is also what Esc sends in the dialog.
        SendMessageW(dialog.Handle(), message, message == WM_COMMAND ? IDCANCEL : 0, 0);
        EXPECT_EQ(form.Options().separator, ";");
        EXPECT_EQ(Caption(Form::SeparatorButton), L";");
        EXPECT_FALSE(IsWindowVisible(dialog.Handle()));
    }
}

TEST_F(SeparatorTest, TheBoxTakesOneCharacterAndDialogsDoNotBlockEachOther) {
    SeparatorDialog& first = Open(L",");
    EXPECT_EQ(SendMessageW(first.Control(SeparatorDialog::OtherEdit), EM_GETLIMITTEXT, 0, 0), 1);
    SeparatorDialog* firstPointer = &first;
    SeparatorDialog& second = Open(L",");
    EXPECT_NE(firstPointer, &second);
    EXPECT_TRUE(IsWindowVisible(firstPointer->Handle()));
    EXPECT_TRUE(IsWindowEnabled(form.Handle()));
    Choose(*firstPointer, SeparatorDialog::SemicolonRadio);
    firstPointer->Accept();
    EXPECT_EQ(Caption(Form::SeparatorButton), L";");
}

// On its own, the dialog hands its choice to whoever opened it and touches no other window.
TEST(SeparatorDialog, OkHandsTheChoiceToItsOwnerAndCancelHandsNothing) {
    std::vector<std::wstring> chosen;
    SeparatorDialog dialog(nullptr, [&](const std::wstring& separator) { chosen.push_back(separator); });
    dialog.Preselect(L"\t");
    EXPECT_EQ(IsDlgButtonChecked(dialog.Handle(), SeparatorDialog::TabRadio), BST_CHECKED);
    dialog.Accept();
    dialog.Preselect(L"#");
    dialog.Accept();
    dialog.Preselect(L",");
    dialog.Cancel();
    EXPECT_EQ(chosen, (std::vector<std::wstring>{L"\t", L"#"}));
}

}  // namespace
