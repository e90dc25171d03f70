// The two dialog procedures and the centring of dialogs.
#include <gtest/gtest.h>

#include "app/dialog_placement.h"
#include "app/extract_dialog.h"
#include "app/order_dialog.h"
#include "app/program_state.h"
#include "app/target_names.h"
#include "app/text.h"
#include "sim_fixture.h"

namespace {

using stubtest::SimTest;

class DialogsTest : public SimTest {};

TEST_F(DialogsTest, DialogsAreCentredUnchangedInSize) {
    struct Case {
        RECT start;
        int screenWidth, screenHeight;
        RECT centred;
    };
    const Case cases[] = {
        {{0, 0, 281, 122}, 1024, 768, {372, 323, 653, 445}},
        {{10, 20, 318, 270}, 640, 480, {166, 115, 474, 365}},
        {{0, 0, 307, 251}, 1025, 769, {359, 259, 666, 510}},
    };
    for (const Case& c : cases) {
        Sim().dialogRects[OrderDialogId] = c.start;
        Sim().screenWidth = c.screenWidth;
        Sim().screenHeight = c.screenHeight;
        Sim().dialogs.clear();
        DialogBoxParamA(appInstance, MAKEINTRESOURCEA(OrderDialogId), nullptr, OrderInfoDialogProc,
                        0);
        ASSERT_EQ(Sim().dialogs.size(), 1u);
        ASSERT_EQ(Sim().dialogs[0].moves.size(), 1u);
        RECT moved = Sim().dialogs[0].moves[0];
        EXPECT_EQ(moved.left, c.centred.left);
        EXPECT_EQ(moved.top, c.centred.top);
        EXPECT_EQ(moved.right, c.centred.right);
        EXPECT_EQ(moved.bottom, c.centred.bottom);
        EXPECT_EQ(Sim().dialogs[0].moveRepaints[0], FALSE);
    }
}

TEST_F(DialogsTest, OrderPanelClosesEveryWay) {
    struct Case {
        sim::DialogClose close;
        INT_PTR result;
    };
    for (Case c : {Case{sim::DialogClose::Ok, IDOK}, Case{sim::DialogClose::Escape, IDCANCEL},
                   Case{sim::DialogClose::CloseBox, IDCANCEL}}) {
        Sim().dialogCloses = {c.close};
        EXPECT_EQ(DialogBoxParamA(appInstance, MAKEINTRESOURCEA(OrderDialogId), nullptr,
                                  OrderInfoDialogProc, 0),
                  c.result);
    }
}

TEST_F(DialogsTest, ProceduresAnswerOnlyTheirMessages) {
    struct Case {
        UINT message;
        WPARAM wParam;
    };
    // Other controls, notification codes other than 0, other messages.
    for (Case c : {Case{WM_COMMAND, 3}, Case{WM_COMMAND, 0x00010001}, Case{WM_COMMAND, 0x00050002},
                   Case{WM_SYSCOMMAND, SC_CLOSE}, Case{0x0200, 1}}) {
        EXPECT_EQ(OrderInfoDialogProc(nullptr, c.message, c.wParam, 0), FALSE);
        EXPECT_EQ(ExtractDialogProc(nullptr, c.message, c.wParam, 0), FALSE);
    }
    EXPECT_EQ(extraction.finished, 0);
}

TEST_F(DialogsTest, ExtractionDialogRunsOnceByItsOwnPostedCommand) {
    InstallInstaller("Meer", 0, {{{1, 2, 3}}});
    CopyText(saverDisplayName, sizeof saverDisplayName, "Meer");
    MakeSaverFileName(Sim().modulePath.c_str(), saverFileName);
    Sim().dialogRects[ExtractDialogId] = RECT{0, 0, 281, 122};
    Sim().dialogCloses = {sim::DialogClose::Escape};
    EXPECT_EQ(DialogBoxParamA(appInstance, MAKEINTRESOURCEA(ExtractDialogId), nullptr,
                              ExtractDialogProc, 0),
              IDOK);
    ASSERT_EQ(Sim().dialogs.size(), 1u);
    const sim::DialogRecord& dialog = Sim().dialogs[0];
    EXPECT_EQ(dialog.windowText, "Installation des Bildschirmschoners Meer");
    EXPECT_EQ(dialog.itemTexts.at(SaverLineId), "Meer Bildschirmschoner");
    EXPECT_EQ(dialog.messages, (std::vector<UINT>{WM_INITDIALOG, WM_COMMAND}));
    ASSERT_EQ(dialog.moves.size(), 1u);
    EXPECT_EQ(dialog.moves[0].left, 372);
    EXPECT_EQ(extraction.finished, 1);
    EXPECT_EQ(sim::ReadFile("C:\\WINDOWS\\SETUP.SCR"), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(sim::ReadIniValue("system.ini", "boot", "SCRNSAVE.EXE"), "C:\\WINDOWS\\SETUP.SCR");
    // The scripted Escape was never needed.
    EXPECT_EQ(Sim().dialogCloses.size(), 1u);
}

TEST_F(DialogsTest, CancelCommandRunsTheExtractionToo) {
    InstallInstaller("Meer", 0, {{{4}}});
    MakeSaverFileName(Sim().modulePath.c_str(), saverFileName);
    EXPECT_EQ(ExtractDialogProc(nullptr, WM_COMMAND, IDCANCEL, 0), TRUE);
    EXPECT_EQ(extraction.finished, 1);
    EXPECT_EQ(sim::ReadFile("C:\\WINDOWS\\SETUP.SCR"), (std::vector<uint8_t>{4}));
}

}  // namespace
