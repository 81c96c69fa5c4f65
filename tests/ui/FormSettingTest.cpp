#include "UiTestSupport.h"
#include "core/ProgramFolder.h"

#include "controls/QKAddButton.h"
#include "controls/QKCheck.h"
#include "controls/QKCloseButton.h"
#include "controls/QKDelButton.h"
#include "controls/QKEditButton.h"
#include "controls/QKFunctionButton.h"
#include "controls/QKGrayFrame.h"
#include "controls/QKTab.h"
#include "controls/QKCommonButton.h"
#include "controls/QKContentEditWin.h"
#include "controls/QKContentTip.h"
#include "controls/QKFilter.h"
#include "controls/QKLabel.h"
#include "controls/QKLineEdit.h"
#include "controls/QKRatio.h"
#include "controls/QKSnippetEditWin.h"
#include "controls/QKSnippetTip.h"
#include "controls/QKText.h"
#include "controls/QKVScroll.h"
#include "controls/Twips.h"
#include "controls/QKWhiteFrame.h"
#include "settings/IniFile.h"
#include "ui/FormSetting.h"
#include "ui/SettingsShell.h"
#include "ui/SnippetDel.h"
#include "ui/SnippetEdit.h"
#include "ui/SnippetPreview.h"
#include "ui/SnippetsPad.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QGuiApplication>

namespace {

TEST_F(SettingsWindow, TheTrayMenuOpensThePagesAndEachFillsOnce)
{
    shell.form->menu_about->trigger();
    Pump();
    FormSetting* window = settings.Window();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(shell.form->settingsLoaded);
    EXPECT_EQ(shell.form->formSetting, window);
    EXPECT_TRUE(window->frameInfo->isVisible());
    EXPECT_FALSE(window->frameSnippets->isVisible());
    EXPECT_FALSE(window->SnippetsLoaded());
    EXPECT_FALSE(window->OptionsLoaded());
    EXPECT_EQ(window->windowTitle(), "Setting");
    EXPECT_TRUE(window->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(Twips::Geometry(window).size(), QSizeF(5280, 7170));

    shell.form->menu_snippets->trigger();
    Pump();
    EXPECT_EQ(settings.Window(), window);
    EXPECT_TRUE(window->frameSnippets->isVisible());
    EXPECT_EQ(Rows(), (QStringList{"ty", "addr", "today", "sig"}));
    EXPECT_EQ(window->CurrentList().size(), 4);

    shell.form->menu_options->trigger();
    Pump();
    EXPECT_TRUE(window->OptionsLoaded());
    EXPECT_EQ(window->cmbEnableHotKey->Items().size(), 12);
    // A second visit fills nothing twice.
    window->ChangeToTab(2);
    EXPECT_EQ(window->cmbEnableHotKey->Items().size(), 12);
    EXPECT_EQ(window->cmbSound->Items(), (QStringList{"type", "balloon", "click", "kata", "plink", "tadi"}));

    // The functions button pops up the snippets menu.
    window->ChangeToTab(1);
    ClickOn(window->cmdSet->findChild<QWidget*>());
    EXPECT_TRUE(shell.form->snippetsmenu->isVisible());
    shell.form->snippetsmenu->close();

    ClickOn(window->btnClose->findChild<QWidget*>());
    Pump();
    EXPECT_EQ(settings.Window(), nullptr);
    EXPECT_FALSE(shell.form->settingsLoaded);
    EXPECT_EQ(shell.form->formSetting, nullptr);
}

TEST_F(SettingsWindow, TheInformationPageShowsTheCountersAndHours)
{
    EXPECT_EQ(FormSetting::HoursSaved(0), "0.000");
    EXPECT_EQ(FormSetting::HoursSaved(24000), "1.000");
    EXPECT_EQ(FormSetting::HoursSaved(1000), "0.042");
    EXPECT_EQ(FormSetting::HoursSaved(36000), "1.500");
    EXPECT_EQ(FormSetting::HoursSaved(240000000), "10000.000");
    shell.form->optMgr.SetSniExp(7);
    shell.form->optMgr.SetChrSav(36000);
    FormSetting* window = Open(3);
    EXPECT_EQ(window->lblNumSniExp->text(), "7");
    EXPECT_EQ(window->lblNumChaSav->text(), "36000");
    EXPECT_EQ(window->lblNumHourSav->text(), "1.500");
    // Read again at every visit.
    shell.form->optMgr.SetChrSav(1000);
    window->ChangeToTab(3);
    EXPECT_EQ(window->lblNumHourSav->text(), "0.042");

    ClickOn(window->Label14);
    ASSERT_EQ(shell.urls.opened.size(), 1);
    // The guide that comes with the program, wherever the program keeps it.
    EXPECT_EQ(shell.urls.opened[0],
              QUrl::fromLocalFile(ProgramFolder::ReadOnlyFile(shell.folder.Path(), "help/index.html")));
}

TEST_F(SettingsWindow, ASnippetAddedHereIsStoredAndExpands)
{
    FormSetting* window = Open(1);
    ClickOn(window->cmdAdd->findChild<QWidget*>());
    ASSERT_EQ(Pad()->Mode(1), SnippetsPad::RowMode::Edit);
    auto* edit = Panel<SnippetEdit>(1);
    edit->txtSnippet->TextBox()->setFocus();
    QTest::keyClicks(edit->txtSnippet->TextBox(), "qz");
    edit->txtContent->SetText("Quillo was here");
    ClickOn(edit->cmdOk);
    Pump();

    SnippetPtr stored = shell.form->snippetMgr.GetMatchedSnippet("qz");
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(stored->contentString, "Quillo was here");
    // The row's snippet learnt its record's id.
    EXPECT_EQ(Pad()->RowSnippet(1)->snippetID, stored->snippetID);
    EXPECT_EQ(window->CurrentList().first()->snippetID, stored->snippetID);
    EXPECT_EQ(Panel<SnippetPreview>(1)->txtSnippet->Text(), "qz");

    // Typed in another application, it expands.
    shell.Type("qz");
    shell.Tap(32);
    EXPECT_EQ(shell.Sent(), ExpansionKeys(2));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "Quillo was here");
}

TEST_F(SettingsWindow, ReloadingAfterAnImportAndAddingFromTheClipboard)
{
    FormSetting* window = Open(1);
    SearchFor("sig");
    Snippet imported;
    imported.snippetString = "imp";
    shell.form->snippetMgr.CommitSnippet(imported);
    settings.ReloadAllSnippets();
    Pump();
    EXPECT_EQ(window->txtSearch->Text(), "");
    EXPECT_EQ(Rows(), (QStringList{"imp", "ty", "addr", "today", "sig"}));

    QGuiApplication::clipboard()->setText("from the clipboard");
    window->AddNewSnippetFormSelection();
    Pump();
    ASSERT_EQ(Pad()->Mode(1), SnippetsPad::RowMode::Edit);
    EXPECT_EQ(Panel<SnippetEdit>(1)->txtContent->Text(), "from the clipboard");
    EXPECT_EQ(Panel<SnippetEdit>(1)->txtSnippet->Text(), "");
}

TEST_F(SettingsWindow, RefusedAbbreviationsLeaveTheStoreAsItWas)
{
    FormSetting* window = Open(1);
    ClickOn(window->cmdAdd->findChild<QWidget*>());
    auto* edit = Panel<SnippetEdit>(1);
    edit->txtContent->SetText("text");
    ClickOn(edit->cmdOk);
    edit->txtSnippet->SetText("sig");
    ClickOn(edit->cmdOk);
    EXPECT_EQ(shell.notifier.shown,
              (QStringList{"plain: Did you forget to input the abbreviation?\r\nPlease input the abbreviation.",
                           "plain: The abbreviation is already existent.\r\nPlease use another abbreviation."}));
    EXPECT_EQ(Pad()->Mode(1), SnippetsPad::RowMode::Edit);
    EXPECT_EQ(shell.form->snippetMgr.GetSnippetCollection().size(), 4);
    // An application list that names none would keep the snippet from
    // expanding anywhere: said, and the row stays.
    shell.notifier.shown.clear();
    edit->txtSnippet->SetText("new");
    edit->txtOnlyIn->SetText("xterm, firefox*");
    ClickOn(edit->cmdOk);
    ASSERT_EQ(shell.notifier.shown.size(), 1);
    EXPECT_TRUE(shell.notifier.shown.first().contains("firefox*")) << shell.notifier.shown.first().toStdString();
    EXPECT_EQ(Pad()->Mode(1), SnippetsPad::RowMode::Edit);
    EXPECT_EQ(shell.form->snippetMgr.GetSnippetCollection().size(), 4);

    // Cancelling the new snippet leaves no trace.
    ClickOn(edit->cmdCancel);
    EXPECT_EQ(Rows(), (QStringList{"ty", "addr", "today", "sig"}));
    EXPECT_EQ(window->CurrentList().size(), 4);
}

TEST_F(SettingsWindow, EditingAStoredSnippetSavesOrCancels)
{
    Open(1);
    ClickOn(Panel<SnippetPreview>(1)->cmdEdit); // ty
    auto* edit = Panel<SnippetEdit>(1);
    edit->txtContent->SetText("cancelled text");
    ClickOn(edit->cmdCancel);
    EXPECT_EQ(Panel<SnippetPreview>(1)->txtContent->Text(), shell.form->snippetMgr.GetMatchedSnippet("ty")->contentString);
    EXPECT_NE(shell.form->snippetMgr.GetMatchedSnippet("ty")->contentString, "cancelled text");

    ClickOn(Panel<SnippetPreview>(1)->cmdEdit);
    edit = Panel<SnippetEdit>(1);
    edit->txtSnippet->SetText("thx");
    ClickOn(edit->cmdOk);
    EXPECT_EQ(shell.form->snippetMgr.GetMatchedSnippet("ty"), nullptr);
    ASSERT_NE(shell.form->snippetMgr.GetMatchedSnippet("thx"), nullptr);
    EXPECT_EQ(shell.form->snippetMgr.GetSnippetCollection().size(), 4);
}

TEST_F(SettingsWindow, DeletionIsConfirmedOrCancelled)
{
    Open(1);
    ClickOn(Panel<SnippetPreview>(2)->cmdDel); // addr
    ClickOn(Panel<SnippetDel>(2)->cmdCancel);
    EXPECT_NE(shell.form->snippetMgr.GetMatchedSnippet("addr"), nullptr);
    ClickOn(Panel<SnippetPreview>(2)->cmdDel);
    ClickOn(Panel<SnippetDel>(2)->cmdDel);
    EXPECT_EQ(shell.form->snippetMgr.GetMatchedSnippet("addr"), nullptr);
    EXPECT_EQ(Rows(), (QStringList{"ty", "today", "sig"}));
}

TEST_F(SettingsWindow, StoreFailuresAreShownAndTheInputStays)
{
    FormSetting* window = Open(1);
    shell.form->snippetMgr.CloseLogFile(); // every write now fails
    ClickOn(Panel<SnippetPreview>(1)->cmdEdit);
    auto* edit = Panel<SnippetEdit>(1);
    edit->txtContent->SetText("my careful words");
    ClickOn(edit->cmdOk);
    ASSERT_EQ(shell.notifier.shown.size(), 1);
    EXPECT_TRUE(shell.notifier.shown[0].startsWith("warning: ")) << shell.notifier.shown[0].toStdString();
    ASSERT_EQ(Pad()->Mode(1), SnippetsPad::RowMode::Edit);
    EXPECT_EQ(Panel<SnippetEdit>(1)->txtContent->Text(), "my careful words");

    ClickOn(Panel<SnippetPreview>(2)->cmdDel);
    ClickOn(Panel<SnippetDel>(2)->cmdDel);
    EXPECT_EQ(shell.notifier.shown.size(), 2);
    EXPECT_EQ(Rows(), (QStringList{"ty", "addr", "today", "sig"}));
    EXPECT_EQ(window->CurrentList().size(), 4);
}

TEST_F(SettingsWindow, SearchShowsMatchesWithLabelsAndBackRestoresTheList)
{
    FormSetting* window = Open(1);
    SearchFor("nothing-like-this");
    EXPECT_EQ(Pad()->RowCount(), 0);
    EXPECT_TRUE(window->lblBackToList->isVisible());
    EXPECT_TRUE(window->lblSearchFor->isVisible());
    EXPECT_EQ(window->lblSearchFor->text(), "Search results for \"nothing-like-this\"");
    EXPECT_DOUBLE_EQ(Area(window->lblSearchFor).right(), 4035);
    EXPECT_EQ(Area(window->oPictureContainer), QRectF(45, 255, 4155, 4950));

    SearchFor("sig");
    EXPECT_EQ(Rows(), QStringList{"sig"});

    ClickOn(window->lblBackToList);
    EXPECT_EQ(window->txtSearch->Text(), "");
    EXPECT_EQ(Rows(), (QStringList{"ty", "addr", "today", "sig"}));
    EXPECT_FALSE(window->lblBackToList->isVisible());
    EXPECT_FALSE(window->lblSearchFor->isVisible());
    EXPECT_EQ(Area(window->oPictureContainer), QRectF(45, 60, 4155, 5100));

    // Other keys do not search.
    window->txtSearch->SetText("sig");
    QTest::keyClick(window->txtSearch->TextBox(), Qt::Key_A);
    Pump();
    EXPECT_EQ(Pad()->RowCount(), 4);
}

TEST_F(SettingsWindow, SortingFromTheMenuListsAgainWithTheSearchText)
{
    Open(1);
    shell.form->menu_sortbyabbr->trigger();
    Pump();
    // The rows show the list last first.
    EXPECT_EQ(Rows(), (QStringList{"addr", "sig", "today", "ty"}));
    shell.form->menu_sortbyabbr->trigger();
    Pump();
    EXPECT_EQ(Rows(), (QStringList{"ty", "today", "sig", "addr"}));
    SearchFor("t");
    shell.form->menu_sortbydate->trigger();
    Pump();
    EXPECT_EQ(settings.Window()->txtSearch->Text(), "t");
    for (const QString& abbreviation : Rows())
        EXPECT_TRUE(abbreviation.contains('t') ||
                    shell.form->snippetMgr.GetMatchedSnippet(abbreviation)->contentString.contains('t', Qt::CaseInsensitive));
}

TEST_F(SettingsWindow, ALongListScrollsAndANewSnippetScrollsBackToTheTop)
{
    for (int i = 0; i < 20; ++i) {
        Snippet snippet;
        snippet.snippetString = QString("n%1").arg(i);
        shell.form->snippetMgr.CommitSnippet(snippet);
    }
    FormSetting* window = Open(1);
    const double padHeight = 24 * 450 + 30;
    EXPECT_EQ(Pad()->Height(), padHeight);
    EXPECT_TRUE(window->oVScroll->isVisible());
    EXPECT_EQ(window->oVScroll->Min(), 1);
    EXPECT_EQ(window->oVScroll->Max(), qint32(padHeight - 5100));
    EXPECT_EQ(Pad()->Left(), 45);

    window->oVScroll->ScrollTo(window->oVScroll->Max());
    EXPECT_EQ(Pad()->Top(), 15 - (padHeight - 5100));
    ClickOn(window->cmdAdd->findChild<QWidget*>());
    Pump();
    EXPECT_EQ(window->oVScroll->Value(), 1);
    EXPECT_EQ(Pad()->Top(), 14);
    EXPECT_EQ(Pad()->Mode(1), SnippetsPad::RowMode::Edit);

    // A search that fits hides the bar and puts the pad at (60, 15).
    SearchFor("n19");
    EXPECT_FALSE(window->oVScroll->isVisible());
    EXPECT_EQ(Pad()->Left(), 60);
    EXPECT_EQ(Pad()->Top(), 15);
}

TEST_F(SettingsWindow, OpeningARowBelowTheViewScrollsItIn)
{
    for (int i = 0; i < 20; ++i) {
        Snippet snippet;
        snippet.snippetString = QString("n%1").arg(i);
        shell.form->snippetMgr.CommitSnippet(snippet);
    }
    FormSetting* window = Open(1);
    // Row 11 ends at 10 + 11 * 450 = 4960, inside the 5100 of the list;
    // opened, it reaches 4960 - 450 + 1425 = 5935.
    ClickOn(Panel<SnippetPreview>(11)->cmdEdit);
    EXPECT_EQ(window->oVScroll->Value(), 10 + 10 * 450 + 1410 - 5100);
    EXPECT_EQ(Pad()->Top(), 15 - window->oVScroll->Value());
}

TEST_F(SettingsWindow, OptionsShowTheStoreAndChangesReachTheFile)
{
    OptionMgr& options = shell.form->optMgr;
    options.SetExpandWhen("AuTo");
    options.SetSwitchQKKey("F13");
    FormSetting* window = Open(2);
    EXPECT_EQ(window->chkEnable->Value(), 1);
    EXPECT_EQ(window->chkPlaySound->Value(), 1);
    EXPECT_EQ(window->chkStartWithWin->Value(), 0);
    EXPECT_TRUE(window->optAutoExpand->Value());
    EXPECT_FALSE(window->optHandExpand->Value());
    EXPECT_EQ(window->cmbEnableHotKey->Text(), "F13");
    EXPECT_EQ(window->cmbCreateHotKey->Text(), "F11");
    EXPECT_EQ(window->cmbSound->Text(), "type");
    EXPECT_EQ(window->cmbExpandHotKey->Text(), "Space");
    EXPECT_EQ(window->cmbCreateHotKey->Items().size(), 12);
    EXPECT_FALSE(window->chkCreateFromSelection->isVisible());
    EXPECT_FALSE(window->cmbCreateHotKey->isVisible());
    EXPECT_FALSE(window->lblCreateFromSelection->isVisible());

    ClickOn(window->chkPlaySound->findChild<QKLabel*>("lblCaption"));
    EXPECT_EQ(Ini("EnablePlaySound"), "False");
    EXPECT_FALSE(shell.form->menu_enableSound->isChecked());
    ClickOn(window->chkEnable->findChild<QKLabel*>("lblCaption"));
    EXPECT_EQ(Ini("EnableQK"), "False");

    PickEntry(window->cmbEnableHotKey, "F5");
    EXPECT_EQ(Ini("SwitchQKKey"), "F5");
    EXPECT_EQ(window->cmbEnableHotKey->Text(), "F5");
    PickEntry(window->cmbExpandHotKey, "Enter");
    EXPECT_EQ(Ini("ExpandKey"), "Enter");

    ClickOn(window->optHandExpand->findChild<QKLabel*>("lblCaption"));
    EXPECT_EQ(Ini("ExpandWhen"), "hand");
    EXPECT_FALSE(window->optAutoExpand->Value());
    ClickOn(window->optAutoExpand->findChild<QKLabel*>("lblCaption"));
    EXPECT_EQ(Ini("ExpandWhen"), "auto");
    EXPECT_FALSE(window->optHandExpand->Value());

    // The chosen sound is loaded for the engine and played at once.
    const QByteArray sound("RIFF\x24\0\0\0WAVEfmt a sound of our own", 32);
    ASSERT_TRUE(QDir(shell.folder.Path()).mkpath("wav"));
    QFile wav(shell.folder.File("wav/click.wav"));
    ASSERT_TRUE(wav.open(QIODevice::WriteOnly));
    wav.write(sound);
    wav.close();
    const QByteArray expected = sound + QByteArray(1, '\0');
    PickEntry(window->cmbSound, "click");
    EXPECT_EQ(Ini("SoundName"), "click");

    EXPECT_EQ(shell.form->engine->soundData, expected);
    ASSERT_FALSE(shell.sound.played.isEmpty());
    EXPECT_EQ(shell.sound.played.last(), expected);

    // Changed elsewhere while the window is open: the boxes follow.
    options.SetEnableQK(true);
    EXPECT_EQ(window->chkEnable->Value(), 1);
    options.SetEnablePlaySound(true);
    EXPECT_EQ(window->chkPlaySound->Value(), 1);

    // Edited by hand and read again: the page shows the file.
    SetIniValues(shell.folder.SettingsPath(), "qk", {{"ExpandKey", "Tab"}, {"ExpandWhen", "hand"}, {"SoundName", "tadi"}});
    shell.form->ReloadOptions();
    EXPECT_EQ(window->cmbExpandHotKey->Text(), "Tab");
    EXPECT_TRUE(window->optHandExpand->Value());
    EXPECT_EQ(window->cmbSound->Text(), "tadi");
    EXPECT_EQ(window->cmbSound->Items().size(), 6) << "the lists are filled once";
}

TEST_F(SettingsWindow, AnyOtherExpandWhenSelectsExpandingByHand)
{
    for (const QString& stored : {QString(""), QString("manual")}) {
        shell.form->optMgr.SetExpandWhen(stored);
        FormSetting* window = Open(2);
        EXPECT_FALSE(window->optAutoExpand->Value()) << stored.toStdString();
        EXPECT_TRUE(window->optHandExpand->Value());
        settings.CloseWindows();
        Pump();
    }
}

} // namespace

TEST_F(SettingsWindow, TheStartOptionReadsAsOneSentenceNamingNoOtherSystem)
{
    FormSetting* window = Open(2);
#ifdef Q_OS_WIN
    EXPECT_EQ(window->chkStartWithWin->Caption(), "Run Quillo when Windows");
#else
    EXPECT_EQ(window->chkStartWithWin->Caption(), "Run Quillo when the session");
#endif
    EXPECT_EQ(Twips::Geometry(window->chkStartWithWin).topLeft(), QPointF(225, 1005));
    // Its second line is the plain label under it.
    QLabel* rest = nullptr;
    for (QLabel* label : window->QKWhiteFrame1->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
        if (label->text() == "starts.")
            rest = label;
    ASSERT_NE(rest, nullptr);
    EXPECT_EQ(Twips::Geometry(rest).topLeft(), QPointF(495, 1260));
#ifndef Q_OS_WIN
    for (QLabel* label : window->findChildren<QLabel*>())
        EXPECT_FALSE(label->text().contains("Windows")) << label->text().toStdString();
#endif
}
