#include "UiTestSupport.h"

#include "controls/QKCommonButton.h"
#include "controls/QKDelButton.h"
#include "controls/QKEditButton.h"
#include "controls/QKContentEditWin.h"
#include "controls/QKContentTip.h"
#include "controls/QKSnippetEditWin.h"
#include "controls/QKSnippetTip.h"
#include "controls/Twips.h"
#include "ui/SnippetDel.h"
#include "ui/SnippetEdit.h"
#include "ui/SnippetPreview.h"
#include "ui/SnippetsPad.h"

namespace {

using Mode = SnippetsPad::RowMode;

SnippetPtr Make(const QString& abbreviation, int id)
{
    auto snippet = std::make_shared<Snippet>();
    snippet->snippetString = abbreviation;
    snippet->contentString = abbreviation + " content";
    snippet->snippetID = id;
    return snippet;
}

// A pad in a shown window, clipped by a container as tall as the settings
// window's list; every event of the pad is written down in order.
class PadTest : public ::testing::Test
{
protected:
    StoreFixture fixture;
    QWidget window;
    QWidget* container = nullptr;
    SnippetsPad* pad = nullptr;
    SnippetCollection list;
    QStringList events;
    bool acceptSaves = true;
    bool acceptDeletes = true;
    SnippetPtr deletedCopy;

    void SetUp() override
    {
        window.resize(320, 400);
        container = new QWidget(&window);
        Twips::SetGeometry(container, QRectF(0, 0, 4155, 5100));
        pad = new SnippetsPad(fixture.store, fixture.notifier, container);
        pad->Move(45, 15, 3960, 5040);
        QObject::connect(pad, &SnippetsPad::SizeChanged, pad,
                         [this](qint32& w, qint32& h) { events << QString("size %1 %2").arg(w).arg(h); });
        QObject::connect(pad, &SnippetsPad::ShowTheControl, pad,
                         [this](qint32& t, qint32& b) { events << QString("show %1 %2").arg(t).arg(b); });
        QObject::connect(pad, &SnippetsPad::SaveSnippet, pad, [this](const SnippetPtr& s, bool& saved) {
            events << "save " + s->snippetString;
            saved = acceptSaves;
        });
        QObject::connect(pad, &SnippetsPad::DeleteSnippet, pad, [this](const SnippetPtr& s, bool& deleted) {
            events << "delete " + s->snippetString;
            deletedCopy = s;
            deleted = acceptDeletes;
        });
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    void Show(QStringList abbreviations)
    {
        list.clear();
        int id = 1;
        for (const QString& abbreviation : abbreviations)
            list << Make(abbreviation, id++);
        pad->SetSnippetCollection(&list);
        Pump();
    }
    template <class T> T* Panel(int row)
    {
        T* panel = qobject_cast<T*>(pad->RowPanel(row));
        EXPECT_NE(panel, nullptr) << "row " << row;
        return panel;
    }
    QStringList RowAbbreviations()
    {
        QStringList shown;
        for (int row = 1; row <= pad->RowCount(); ++row)
            shown << pad->RowSnippet(row)->snippetString;
        return shown;
    }
    QStringList ListAbbreviations()
    {
        QStringList shown;
        for (const SnippetPtr& s : list)
            shown << s->snippetString;
        return shown;
    }
};

TEST_F(PadTest, RowsShowTheCollectionLastFirstAndGrowWithAnEditRow)
{
    Show({"one", "two", "three"});
    EXPECT_EQ(RowAbbreviations(), (QStringList{"three", "two", "one"}));
    EXPECT_EQ(Panel<SnippetPreview>(1)->txtSnippet->Text(), "three");
    EXPECT_EQ(Panel<SnippetPreview>(3)->txtSnippet->Text(), "one");
    EXPECT_EQ(events.last(), "size 4000 1380");
    EXPECT_EQ(pad->Height(), 1380);
    EXPECT_EQ(pad->Width(), 4000);
    EXPECT_EQ(Panel<SnippetPreview>(2)->Top(), 460);
    EXPECT_EQ(Panel<SnippetPreview>(2)->Tag(), "1|2");

    events.clear();
    ClickOn(Panel<SnippetPreview>(3)->cmdEdit);
    // The taller pad is reported before the row asks to be shown.
    EXPECT_EQ(events, (QStringList{"size 4000 2355", "show 910 2320"}));
    EXPECT_EQ(pad->Mode(3), Mode::Edit);
    EXPECT_EQ(Panel<SnippetEdit>(3)->txtSnippet->Text(), "one");
}

TEST_F(PadTest, AnEmptyCollectionRemovesEveryRow)
{
    Show({"one", "two"});
    Show({});
    EXPECT_EQ(pad->RowCount(), 0);
    EXPECT_EQ(events.last(), "size 4000 30");
    EXPECT_EQ(pad->LivePanels(), 0);
}

TEST_F(PadTest, NewSnippetsGoOnTopAndToTheFrontOfTheList)
{
    Show({"one"});
    pad->AddNewSnippet();
    pad->AddNewSnippet();
    Pump();
    ASSERT_EQ(pad->RowCount(), 3);
    EXPECT_EQ(pad->Mode(1), Mode::Edit);
    EXPECT_EQ(pad->Mode(2), Mode::Edit);
    ASSERT_EQ(list.size(), 3);
    EXPECT_EQ(list[0], pad->RowSnippet(1));
    EXPECT_EQ(list[1], pad->RowSnippet(2));
    EXPECT_EQ(list[0]->snippetID, Snippet::kNoRow);
    EXPECT_EQ(events.last(), QString("size 4000 %1").arg(1425 * 2 + 450 + 30));
}

TEST_F(PadTest, CancellingANewSnippetDropsItsRowAndEntryQuietly)
{
    Show({"one", "two"});
    pad->AddNewSnippet();
    Pump();
    events.clear();
    ClickOn(Panel<SnippetEdit>(1)->cmdCancel);
    EXPECT_EQ(RowAbbreviations(), (QStringList{"two", "one"}));
    EXPECT_EQ(ListAbbreviations(), (QStringList{"one", "two"}));
    EXPECT_EQ(events, QStringList{"size 4000 930"});
}

TEST_F(PadTest, CancellingAnEditOfAStoredSnippetShowsItsOldValues)
{
    Show({"one", "two"});
    ClickOn(Panel<SnippetPreview>(1)->cmdEdit);
    auto* edit = Panel<SnippetEdit>(1);
    edit->txtSnippet->SetText("changed");
    edit->txtContent->SetText("changed content");
    ClickOn(edit->cmdCancel);
    Pump();
    ASSERT_EQ(pad->Mode(1), Mode::Preview);
    EXPECT_EQ(Panel<SnippetPreview>(1)->txtSnippet->Text(), "two");
    EXPECT_EQ(Panel<SnippetPreview>(1)->txtContent->Text(), "two content");
    EXPECT_EQ(events.last(), "size 4000 930");
}

TEST_F(PadTest, SavingShowsThePreviewThenAsksTheHostToCommit)
{
    Show({"one"});
    ClickOn(Panel<SnippetPreview>(1)->cmdEdit);
    auto* edit = Panel<SnippetEdit>(1);
    edit->txtSnippet->SetText("uno");
    edit->txtContent->SetText("first");
    events.clear();
    ClickOn(edit->cmdOk);
    EXPECT_EQ(events, (QStringList{"size 4000 480", "save uno"}));
    EXPECT_EQ(Panel<SnippetPreview>(1)->txtContent->Text(), "first");
    EXPECT_EQ(list[0]->snippetString, "uno");
}

TEST_F(PadTest, ARefusedSaveReopensTheRowWithTheUsersInput)
{
    Show({"one"});
    acceptSaves = false;
    ClickOn(Panel<SnippetPreview>(1)->cmdEdit);
    auto* edit = Panel<SnippetEdit>(1);
    edit->txtSnippet->SetText("uno");
    edit->txtContent->SetText("first");
    ClickOn(edit->cmdOk);
    ASSERT_EQ(pad->Mode(1), Mode::Edit);
    EXPECT_EQ(Panel<SnippetEdit>(1)->txtSnippet->Text(), "uno");
    EXPECT_EQ(Panel<SnippetEdit>(1)->txtContent->Text(), "first");
    // The list entry still holds what the store holds.
    EXPECT_EQ(list[0]->snippetString, "one");
    EXPECT_EQ(list[0]->contentString, "one content");
    ClickOn(Panel<SnippetEdit>(1)->cmdCancel);
    EXPECT_EQ(Panel<SnippetPreview>(1)->txtSnippet->Text(), "one");
}

TEST_F(PadTest, ConfirmedDeletionRemovesRowAndEntryAndReportsACopy)
{
    Show({"one", "two", "three"});
    ClickOn(Panel<SnippetPreview>(2)->cmdDel);
    ASSERT_EQ(pad->Mode(2), Mode::Delete);
    EXPECT_EQ(pad->Height(), 1380); // a delete row keeps the row's height
    events.clear();
    ClickOn(Panel<SnippetDel>(2)->cmdDel);
    EXPECT_EQ(events, (QStringList{"size 4000 930", "delete two"}));
    EXPECT_EQ(RowAbbreviations(), (QStringList{"three", "one"}));
    EXPECT_EQ(ListAbbreviations(), (QStringList{"one", "three"}));
    ASSERT_NE(deletedCopy, nullptr);
    EXPECT_EQ(deletedCopy->snippetID, 2);
    EXPECT_EQ(Panel<SnippetPreview>(2)->Tag(), "1|2");
}

TEST_F(PadTest, CancelledAndRefusedDeletionsKeepTheRow)
{
    Show({"one", "two", "three"});
    ClickOn(Panel<SnippetPreview>(2)->cmdDel);
    ClickOn(Panel<SnippetDel>(2)->cmdCancel);
    EXPECT_EQ(pad->Mode(2), Mode::Preview);
    EXPECT_EQ(Panel<SnippetPreview>(2)->txtSnippet->Text(), "two");

    acceptDeletes = false;
    ClickOn(Panel<SnippetPreview>(2)->cmdDel);
    ClickOn(Panel<SnippetDel>(2)->cmdDel);
    EXPECT_EQ(RowAbbreviations(), (QStringList{"three", "two", "one"}));
    EXPECT_EQ(ListAbbreviations(), (QStringList{"one", "two", "three"}));
    EXPECT_EQ(pad->Mode(2), Mode::Preview);
    EXPECT_EQ(pad->Height(), 1380);
}

TEST_F(PadTest, PanelIndexesKeepGrowing)
{
    Show({"one", "two"});
    const int afterFirst = pad->NextIndex();
    EXPECT_EQ(afterFirst, 3);
    Show({"one", "two"});
    EXPECT_EQ(pad->NextIndex(), 5);
    ClickOn(Panel<SnippetPreview>(1)->cmdEdit);
    EXPECT_EQ(pad->NextIndex(), 6);
    EXPECT_EQ(ControlArray<SnippetEdit>::IndexOf(pad->RowPanel(1)), 6);
}

TEST_F(PadTest, ASecondRowChangeCannotStartDuringOne)
{
    Show({"one", "two", "three"});
    SnippetPreview* other = Panel<SnippetPreview>(3);
    bool clicked = false;
    QObject::connect(pad, &SnippetsPad::SizeChanged, pad, [&](qint32&, qint32&) {
        if (!clicked) {
            clicked = true;
            ClickOn(other->cmdEdit); // lands while the first change runs
        }
    });
    ClickOn(Panel<SnippetPreview>(1)->cmdDel);
    EXPECT_TRUE(clicked);
    EXPECT_EQ(pad->Mode(1), Mode::Delete);
    EXPECT_EQ(pad->Mode(3), Mode::Preview);
    EXPECT_EQ(pad->Grid().RowHeight(3), 450);
}

TEST_F(PadTest, OnlyRowsNearTheViewCarryPanelsYetEveryRowIsThere)
{
    QStringList many;
    for (int i = 1; i <= 1000; ++i)
        many << QString("s%1").arg(i);
    Show(many);
    EXPECT_EQ(pad->RowCount(), 1000);
    EXPECT_EQ(events.last(), "size 4000 450030");
    EXPECT_LT(pad->LivePanels(), 60);
    EXPECT_EQ(pad->RowPanel(900), nullptr);

    // Scrolled to the bottom: the last rows get panels in their cells.
    pad->SetTop(15 - (450030 - 5100));
    Pump();
    auto* last = Panel<SnippetPreview>(1000);
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->txtSnippet->Text(), "s1");
    EXPECT_EQ(last->Tag(), "1|1000");
    EXPECT_EQ(last->Top(), 10 + 999 * 450);
    EXPECT_EQ(pad->RowPanel(1), nullptr);
    EXPECT_LT(pad->LivePanels(), 60);

    // A row found there behaves like any other.
    ClickOn(Panel<SnippetPreview>(999)->cmdEdit);
    EXPECT_EQ(pad->Mode(999), Mode::Edit);
    EXPECT_EQ(events.last(), QString("show %1 %2").arg(10 + 998 * 450).arg(10 + 998 * 450 + 1410));
}

} // namespace
