// Message boxes read back from the real window, and the resources that the engine carries.
#include <gtest/gtest.h>

#include <cstring>

#include "resources/resource_ids.h"
#include "startup/messages_win.h"
#include "support.h"

namespace {

HINSTANCE self() { return GetModuleHandleA(nullptr); }

TEST(InstallMessage, ShowsTheStringsTextUnderTheCaptionsString) {
    struct Row {
        const char *label;
        int caption, text;
        const char *expectedCaption, *expectedText;
    };
    const Row rows[] = {
        {"success: caption 1 is absent", 1, 2, "", "The screen saver was installed successfully."},
        {"failure without caption", 0, 3,
         "", "The screen saver could not be installed. Please ensure that there is enough space on the disk and try again."},
        {"text id 0 is empty", 7, 0, "The installer cannot be run from your Windows directory.", ""},
        {"unknown id is empty", 0, 4242, "", ""},
    };
    for (const Row &row : rows) {
        const MessageBoxSeen seen = answerMessageBox([&] { showInstallMessage(self(), row.caption, row.text); });
        ASSERT_TRUE(seen.found) << row.label;
        EXPECT_EQ(row.expectedCaption, seen.shown.caption) << row.label;
        EXPECT_EQ(row.expectedText, seen.shown.text) << row.label;
    }
}

TEST(Resources, StringTableHoldsTheExactTexts) {
    struct Row {
        int id;
        const char *text;
    };
    const Row rows[] = {
        {2, "The screen saver was installed successfully."},
        {3, "The screen saver could not be installed. Please ensure that there is enough space on the disk and try "
            "again."},
        {7, "The installer cannot be run from your Windows directory."},
        {8, "Overwrite %s and %s?"},
        {9, "Your password has been changed."},
        {10, "You typed two different things for your new password."},
        {13, "Either there is not enough memory, or the screen saver has been damaged and should be re-installed."},
        {14, "This screen saver requires either Windows 95 or Windows NT."},
        {15, "This screen saver requires either Windows 3.1 or Windows 95."},
        {1, ""},
    };
    for (const Row &row : rows) {
        char text[512] = {};
        LoadStringA(self(), static_cast<UINT>(row.id), text, sizeof text);
        EXPECT_STREQ(row.text, text) << "string " << row.id;
    }
}

TEST(Resources, BitmapsAreEightBitWithAFullColourTable) {
    struct Row {
        int id;
        LONG width, height;
    };
    const Row rows[] = {{BITMAP_CORNER, 90, 80}, {BITMAP_SPLASH2, 400, 119}, {BITMAP_SPLASH1, 305, 81}};
    for (const Row &row : rows) {
        HRSRC found = FindResourceA(self(), MAKEINTRESOURCEA(row.id), MAKEINTRESOURCEA(2));
        ASSERT_NE(nullptr, found) << "bitmap " << row.id;
        const auto *header = static_cast<const BITMAPINFOHEADER *>(LockResource(LoadResource(self(), found)));
        ASSERT_NE(nullptr, header);
        EXPECT_EQ(40u, header->biSize) << "bitmap " << row.id;
        EXPECT_EQ(row.width, header->biWidth) << "bitmap " << row.id;
        EXPECT_EQ(row.height, header->biHeight) << "bitmap " << row.id;
        EXPECT_EQ(8, header->biBitCount) << "bitmap " << row.id;
        EXPECT_TRUE(header->biClrUsed == 0 || header->biClrUsed == 256)
            << "bitmap " << row.id << ": a table of all 256 colours, given as 0 or 256, not " << header->biClrUsed;
        EXPECT_EQ(0u, header->biCompression) << "bitmap " << row.id;
        const DWORD rowBytes = (static_cast<DWORD>(row.width) + 3u) & ~3u;
        EXPECT_EQ(40u + 256u * 4u + rowBytes * static_cast<DWORD>(row.height), SizeofResource(self(), found))
            << "bitmap " << row.id << ": header, 256 colours and the pixels";
    }
}

TEST(Resources, IconMenuAndSettingsDialogTemplate) {
    EXPECT_NE(nullptr, LoadIconA(self(), "LumIcon"));

    HMENU menu = LoadMenuA(self(), "LUMIMENUS");
    ASSERT_NE(nullptr, menu);
    HMENU file = GetSubMenu(menu, 0);
    ASSERT_NE(nullptr, file);
    char text[64] = {};
    GetMenuStringA(menu, 0, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ("&File", text);
    ASSERT_EQ(3, GetMenuItemCount(file));
    EXPECT_EQ(static_cast<UINT>(MENU_PASSWORDS), GetMenuItemID(file, 0));
    GetMenuStringA(file, 0, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ("&Passwords...", text);
    EXPECT_EQ(MF_SEPARATOR, GetMenuState(file, 1, MF_BYPOSITION) & MF_SEPARATOR);
    EXPECT_EQ(static_cast<UINT>(MENU_EXIT), GetMenuItemID(file, 2));
    GetMenuStringA(file, 2, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ("E&xit", text);
    DestroyMenu(menu);

    HRSRC found = FindResourceA(self(), "Lumivex", MAKEINTRESOURCEA(5));
    ASSERT_NE(nullptr, found) << "the template is found by its name in any letter case";
    const auto *dialog = static_cast<const DLGTEMPLATE *>(LockResource(LoadResource(self(), found)));
    EXPECT_EQ(0x50000040u, dialog->style);
    EXPECT_EQ(0u, dialog->dwExtendedStyle);
    EXPECT_EQ(0, dialog->cdit);
    EXPECT_EQ(160, dialog->cx);
    EXPECT_EQ(186, dialog->cy);
}

INT_PTR CALLBACK keepDialog(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

// The password dialogs as the system builds them from the templates.
TEST(Resources, PasswordDialogsHaveTheirControls) {
    struct Control {
        int id;
        const char *className;
        const char *text;
        DWORD style;  // bits that must be set
    };
    struct Row {
        int dialog;
        const char *caption;
        std::vector<Control> controls;
        DWORD dialogStyle;
        DWORD absentStyle;
    };
    const Row rows[] = {
        {DIALOG_PASSWORD_ENTRY,
         "Password Entry",
         {{IDC_PASSWORD_EDIT, "Edit", "", ES_PASSWORD | ES_AUTOHSCROLL | WS_TABSTOP},
          {IDOK, "Button", "OK", BS_DEFPUSHBUTTON}},
         WS_POPUP | WS_CAPTION | WS_SYSMENU,
         0},
        {DIALOG_PASSWORD_OPTIONS,
         "Password Options",
         {{IDC_NEW_PASSWORD_LABEL, "Static", "New Password: ", 0},
          {IDC_NEW_PASSWORD, "Edit", "", ES_PASSWORD | ES_AUTOHSCROLL | WS_TABSTOP},
          {IDC_RETYPED_PASSWORD_LABEL, "Static", "Retype New Password: ", 0},
          {IDC_RETYPED_PASSWORD, "Edit", "", ES_PASSWORD | ES_AUTOHSCROLL | WS_TABSTOP},
          {IDC_PROTECT_CHECK, "Button", "Password Protect Screen Saver", BS_CHECKBOX | WS_TABSTOP},
          {IDCANCEL, "Button", "Cancel", 0},
          {IDOK, "Button", "Change", BS_DEFPUSHBUTTON}},
         WS_POPUP | WS_CAPTION,
         WS_SYSMENU},
    };
    for (const Row &row : rows) {
        HWND dialog = CreateDialogParamA(self(), MAKEINTRESOURCEA(row.dialog), nullptr, keepDialog, 0);
        ASSERT_NE(nullptr, dialog) << "dialog " << row.dialog;
        char text[128] = {};
        GetWindowTextA(dialog, text, sizeof text);
        EXPECT_STREQ(row.caption, text);
        const DWORD style = static_cast<DWORD>(GetWindowLongA(dialog, GWL_STYLE));
        EXPECT_EQ(row.dialogStyle, style & row.dialogStyle) << row.caption;
        EXPECT_EQ(0u, style & row.absentStyle) << row.caption;
        for (const Control &control : row.controls) {
            HWND item = GetDlgItem(dialog, control.id);
            ASSERT_NE(nullptr, item) << row.caption << ": control " << control.id;
            char className[32] = {};
            GetClassNameA(item, className, sizeof className);
            EXPECT_STREQ(control.className, className) << row.caption << ": control " << control.id;
            GetWindowTextA(item, text, sizeof text);
            EXPECT_STREQ(control.text, text) << row.caption << ": control " << control.id;
            const DWORD itemStyle = static_cast<DWORD>(GetWindowLongA(item, GWL_STYLE));
            EXPECT_EQ(control.style, itemStyle & control.style) << row.caption << ": control " << control.id;
            if (std::strcmp(control.className, "Edit") == 0) {
                // A bordered edit of a dialog template may show its border as a client edge.
                const DWORD extended = static_cast<DWORD>(GetWindowLongA(item, GWL_EXSTYLE));
                EXPECT_TRUE((itemStyle & WS_BORDER) != 0 || (extended & WS_EX_CLIENTEDGE) != 0)
                    << row.caption << ": edit " << control.id << " has a border";
            }
            if (std::strcmp(control.className, "Button") == 0) {
                EXPECT_EQ(control.style & BS_TYPEMASK, itemStyle & BS_TYPEMASK)
                    << row.caption << ": button kind of control " << control.id;
            }
        }
        DestroyWindow(dialog);
    }
}

}  // namespace
