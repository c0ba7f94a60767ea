#include "ui/separator_dialog.h"

#include <string>
#include <vector>

#include "form_fixture.h"
#include "winui/message_loop.h"

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

// Only Cancel is a dialog key: Esc presses it wherever the focus is, while Enter presses no
// button but the one that has the focus.
TEST_F(SeparatorTest, EnterPressesOnlyTheFocusedButtonAndEscapeCancelsFromAnywhere) {
    struct Case {
        const wchar_t* shown;  // the separator when the dialog opens
        const wchar_t* typed;  // typed into "Other" before the key, or nothing
        int focus;
        WPARAM key;
        bool staysOpen;
        const wchar_t* caption;  // the separator button afterwards
    };
    const Case cases[] = {
        {L",", nullptr, SeparatorDialog::CommaRadio, VK_RETURN, true, L","},
        {L";", L"|", SeparatorDialog::OtherRadio, VK_RETURN, true, L";"},
        {L";", L"|", SeparatorDialog::OtherEdit, VK_RETURN, true, L";"},
        {L";", L"|", SeparatorDialog::OkButton, VK_RETURN, false, L"|"},
        {L";", L"|", SeparatorDialog::CancelButton, VK_RETURN, false, L";"},
        {L",", nullptr, SeparatorDialog::CommaRadio, VK_ESCAPE, false, L","},
        {L";", L"|", SeparatorDialog::OtherEdit, VK_ESCAPE, false, L";"},
        {L";", L"|", SeparatorDialog::OkButton, VK_ESCAPE, false, L";"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "focus " << c.focus << ", key " << c.key << ", typed "
                                        << (c.typed != nullptr));
        SeparatorDialog& dialog = Open(c.shown);
        if (c.typed) {
            Choose(dialog, SeparatorDialog::OtherRadio);
            SetWindowTextW(dialog.Control(SeparatorDialog::OtherEdit), c.typed);
        }
        PressKeyOn(dialog.Control(c.focus), c.key);
        EXPECT_EQ(dialog.IsOpen(), c.staysOpen);
        EXPECT_EQ(Caption(Form::SeparatorButton), c.caption);
        if (c.staysOpen) {
            // Still usable: OK takes what the dialog shows.
            Choose(dialog, SeparatorDialog::OkButton);
            EXPECT_FALSE(dialog.IsOpen());
            EXPECT_EQ(Caption(Form::SeparatorButton), c.typed ? c.typed : c.shown);
        }
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
