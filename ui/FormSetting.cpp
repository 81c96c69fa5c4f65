#include "ui/FormSetting.h"

#include "app/ExpansionEngine.h"
#include "app/FormMain.h"
#include "app/UserNotifier.h"
#include "controls/DoEvents.h"
#include "controls/FocusRing.h"
#include "controls/FormViewport.h"
#include "controls/QKAddButton.h"
#include "controls/QKCheck.h"
#include "controls/QKCloseButton.h"
#include "controls/QKCommonButton.h"
#include "controls/QKCombo.h"
#include "controls/QKFilter.h"
#include "controls/QKFunctionButton.h"
#include "controls/QKGrayFrame.h"
#include "controls/QKLabel.h"
#include "controls/QKLineEdit.h"
#include "controls/QKRatio.h"
#include "controls/QKTab.h"
#include "controls/QKText.h"
#include "controls/QKVScroll.h"
#include "controls/QKWhiteFrame.h"
#include "controls/Skins.h"
#include "core/ProgramFolder.h"
#include "controls/Twips.h"
#include "core/QuilloError.h"
#include "platform/SoundPlayer.h"
#include "platform/UrlOpener.h"
#include "ui/ControlMaker.h"
#include "ui/DragWindow.h"
#include "ui/SnippetEdit.h"
#include "ui/SnippetsPad.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QFileDialog>
#include <QFileInfo>
#include <QListWidget>

#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <cmath>

namespace {

constexpr qint16 kKeyEnter = 13;
constexpr double kCheckWidth = 3300;
constexpr double kComboHeight = 270;
const QColor kWindowGrey(192, 192, 192);
const QColor kLinkBlue(0, 0, 255);
const QStringList kFunctionKeys = {"F1", "F2", "F3", "F4", "F5", "F6", "F7", "F8", "F9", "F10", "F11", "F12"};
const QStringList kExpandKeys = {"Space", "Enter"};
// Keys free on the common desktops (Ctrl+Alt+F-keys switch consoles, Alt+Space
// opens the window menu), and a way to have none.
const QStringList kPickerKeys = {"Ctrl+Alt+Space", "Ctrl+Shift+Space", "Shift+Alt+Space", "None"};
const QStringList kSounds = {"type", "balloon", "click", "kata", "plink", "tadi"};
constexpr const char* kAutoExpand = "auto";
constexpr const char* kHandExpand = "hand";

template <class T> T* Add(QKForm* window, const char* progId, const char* name, QWidget* container,
                          double left, double top, double width, double height)
{
    auto* control = static_cast<T*>(window->AddControl(QLatin1String(progId), QLatin1String(name), container));
    control->Move(left, top, width, height);
    control->show();
    return control;
}

// The window's skin: a light grey surface with a soft top band that carries
// the product name, and a thin border; drawn for the screen's pixel ratio so
// that the name stays sharp on a scaled screen, and kept until the size or
// the ratio changes.
QPixmap SkinPicture(const QSize& size, qreal ratio)
{
    static QPixmap kept;
    if (!kept.isNull() && kept.deviceIndependentSize().toSize() == size && kept.devicePixelRatio() == ratio)
        return kept;
    QPixmap picture(size * ratio);
    picture.setDevicePixelRatio(ratio);
    picture.fill(kWindowGrey);
    const QRect whole(QPoint(0, 0), size);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient band(0, 0, 0, size.height());
    band.setColorAt(0.0, QColor(236, 238, 242));
    band.setColorAt(0.09, QColor(214, 218, 226));
    band.setColorAt(0.1, QColor(200, 200, 204));
    band.setColorAt(1.0, QColor(186, 186, 190));
    painter.fillRect(whole, band);
    painter.setPen(QColor(150, 150, 156));
    painter.drawRect(whole.adjusted(0, 0, -1, -1));
    painter.setPen(QColor(250, 250, 252));
    painter.drawLine(1, 1, size.width() - 2, 1);
    QFont title = Skins::TextFont();
    title.setBold(true);
    title.setPixelSize(15);
    painter.setFont(title);
    painter.setPen(Skins::TextColor());
    painter.drawText(QRect(22, 8, size.width() - 44, 24), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Quillo"));
    painter.end();
    kept = picture;
    return picture;
}

} // namespace

FormSetting::FormSetting(FormMain& form, QWidget* parent)
    : QKForm(parent, Qt::Window | Qt::FramelessWindowHint | Qt::Tool), form(form)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Setting"));
    QKForm::Move(0, 0, kClientWidth, kClientHeight);
    viewport = new FormViewport(this, QSizeF(kClientWidth, kClientHeight));
    surface = viewport->Surface();
    surface->installEventFilter(this);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, kWindowGrey);
    setPalette(palette);
    Load();
}

FormSetting::~FormSetting()
{
    if (form.formSetting == this || !form.formSetting) {
        form.settingsLoaded = false;
        form.formSetting = nullptr;
    }
}

template <typename Action> bool FormSetting::Guarded(Action action)
{
    try {
        action();
        return true;
    } catch (const QuilloError& e) {
        form.Services().notifier.Warning(e.Message());
    } catch (const std::exception& e) {
        form.Services().notifier.Warning(QString::fromUtf8(e.what()));
    }
    return false;
}

void FormSetting::OnLoad()
{
    QKTab1 = Add<QKTab>(this, "QKUIControls.QKTab", "QKTab1", surface, 1125, 555, 3015, 330);
    btnClose = Add<QKCloseButton>(this, "QKUIControls.QKCloseButton", "btnClose", surface, 5010, 45, 165, 165);
    frameSnippets = Add<QKGrayFrame>(this, "QKUIControls.QKGrayFrame", "frameSnippets", surface, 330, 705, 4605, 6090);
    frameOptions = Add<QKGrayFrame>(this, "QKUIControls.QKGrayFrame", "frameOptions", surface, 330, 705, 4605, 6090);
    frameInfo = Add<QKGrayFrame>(this, "QKUIControls.QKGrayFrame", "frameInfo", surface, 330, 705, 4605, 6090);
    BuildSnippetsPage();
    BuildOptionsPage();
    BuildInfoPage();
    // The tabs' lower edge lies over the pages' top edge.
    QKTab1->raise();
    btnClose->raise();

    connect(QKTab1, &QKTab::TabClick, this, [this](qint16& tabNum) { TabSwitch(tabNum); });
    connect(btnClose, &QKCloseButton::Click, this, &QWidget::close);

    // Centred on the screen it opens on, and within it: on a small or
    // strongly scaled screen the window scrolls.
    if (QScreen* screen = QGuiApplication::primaryScreen())
        viewport->FitInto(screen->availableGeometry());
    form.settingsLoaded = true;
    form.formSetting = this;
    snippetsLoaded = false;
    optionsLoaded = false;

    // What a screen reader calls the controls that have no caption of their
    // own: the words beside them on the window.
    QKTab1->setAccessibleName(QStringLiteral("Pages"));
    txtSearch->TextBox()->setAccessibleName(QStringLiteral("Search"));
    cmdSet->setAccessibleName(QStringLiteral("Snippet functions"));
    oSnippetsPad->setAccessibleName(QStringLiteral("Snippets"));
    oVScroll->setAccessibleName(QStringLiteral("Snippets"));
    cmbEnableHotKey->setAccessibleName(QStringLiteral("Switch Key: Shift+Alt+"));
    cmbPickerKey->setAccessibleName(QStringLiteral("Picker key: the key that opens the snippet picker"));
    cmbSound->setAccessibleName(QStringLiteral("Sound:"));
    cmbExpandHotKey->setAccessibleName(QStringLiteral("Shift+"));
    cmbCreateHotKey->setAccessibleName(QStringLiteral("when press: Shift+Alt+"));

    // The keyboard starts in the search field, where it always did.
    txtSearch->TextBox()->setFocus(Qt::ActiveWindowFocusReason);
    // The row the keyboard goes to scrolls into view.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (now && oSnippetsPad && oSnippetsPad->isAncestorOf(now))
            ShowInList(now);
    });
    oPictureContainer->installEventFilter(this);
}

void FormSetting::BuildSnippetsPage()
{
    txtSearch = Add<QKFilter>(this, "QKUIControls.QKFilter", "txtSearch", frameSnippets, 135, 315, 1515, 330);
    txtSearch->SetText(QString()); // a new text box starts with its name
    cmdAdd = Add<QKAddButton>(this, "QKUIControls.QKAddButton", "cmdAdd", frameSnippets, 3705, 315, 345, 300);
    cmdSet = Add<QKFunctionButton>(this, "QKUIControls.QKFunctionButton", "cmdSet", frameSnippets, 4035, 315, 465, 300);
    QKWhiteFrame3 = Add<QKWhiteFrame>(this, "QKUIControls.QKWhiteFrame", "QKWhiteFrame3", frameSnippets, 60, 735,
                                      4485, 5205);

    lblBackToList = new QKLabel(QStringLiteral("lblBackToList"), QKWhiteFrame3);
    lblBackToList->SetCaption(QStringLiteral("<< Back to the list"));
    lblBackToList->setCursor(Qt::PointingHandCursor);
    Twips::Move(lblBackToList, 90, 45);
    lblBackToList->hide();
    lblBackToList->SetTakesFocus(true);
    lblSearchFor = new QKLabel(QStringLiteral("lblSearchFor"), QKWhiteFrame3);
    lblSearchFor->setCursor(Qt::PointingHandCursor);
    Twips::Move(lblSearchFor, 2565, 45);
    lblSearchFor->hide();

    // A plain surface that clips the pad to the visible part of the list.
    oPictureContainer = new QWidget(QKWhiteFrame3);
    oPictureContainer->setObjectName(QStringLiteral("oPictureContainer"));
    Twips::SetGeometry(oPictureContainer, QRectF(45, kListTop, 4155, kListHeight));
    oVScroll = Add<QKVScroll>(this, "QKUIControls.QKVScroll", "oVScroll", QKWhiteFrame3, 4230, 30, 240, 5145);

    oSnippetsPad = new SnippetsPad(form.snippetMgr, form.Services().notifier, oPictureContainer);
    oSnippetsPad->SetName(QStringLiteral("oSnippetsPad"));
    oSnippetsPad->Move(45, kPadTop, 3960, 5040);

    connect(txtSearch, &QKFilter::KeyPress, this, [this](qint16& keyAscii) {
        if (keyAscii == kKeyEnter)
            Search();
    });
    connect(lblBackToList, &QKLabel::Click, this, [this] {
        if (!ConfirmDropEdits(true))
            return;
        txtSearch->SetText(QString());
        Search();
    });
    connect(cmdAdd, &QKAddButton::Click, this, [this] {
        oSnippetsPad->AddNewSnippet();
        DoEvents();
        oVScroll->ScrollTo(oVScroll->Min());
    });
    connect(cmdSet, &QKFunctionButton::Click, this, [this] {
        if (form.snippetsmenu)
            form.snippetsmenu->popup(QCursor::pos());
    });
    connect(oVScroll, &QKVScroll::Scroll, this, [this](qint32& value) { oSnippetsPad->SetTop(kPadTop - value); });
    connect(oSnippetsPad, &SnippetsPad::SizeChanged, this,
            [this](qint32& width, qint32& height) { PadSizeChanged(width, height); });
    connect(oSnippetsPad, &SnippetsPad::ShowTheControl, this,
            [this](qint32& top, qint32& bottom) { PadShowTheControl(top, bottom); });
    connect(oSnippetsPad, &SnippetsPad::SaveSnippet, this, &FormSetting::SaveSnippet);
    connect(oSnippetsPad, &SnippetsPad::DeleteSnippet, this, &FormSetting::DeleteSnippet);
}

void FormSetting::BuildOptionsPage()
{
    QKWhiteFrame1 = Add<QKWhiteFrame>(this, "QKUIControls.QKWhiteFrame", "QKWhiteFrame1", frameOptions, 465, 600,
                                      3720, 4770);
    QWidget* page = QKWhiteFrame1;
    chkEnable = Add<QKCheck>(this, "QKUIControls.QKCheck", "chkEnable", page, 225, 345, kCheckWidth, 225);
    chkEnable->SetCaption(QStringLiteral("Enable Quillo"));
    MakePlainLabel(page, QStringLiteral("Switch Key: Shift+Alt+"), 510, 630);
    cmbEnableHotKey = Add<QKCombo>(this, "QKUIControls.QKCombo", "cmbEnableHotKey", page, 2280, 600, 900, kComboHeight);
    chkStartWithWin = Add<QKCheck>(this, "QKUIControls.QKCheck", "chkStartWithWin", page, 225, 1005, kCheckWidth, 225);
#ifdef Q_OS_WIN
    chkStartWithWin->SetCaption(QStringLiteral("Run Quillo when Windows"));
#else
    chkStartWithWin->SetCaption(QStringLiteral("Run Quillo when the session"));
#endif
    MakePlainLabel(page, QStringLiteral("starts."), 495, 1260);
    chkPlaySound = Add<QKCheck>(this, "QKUIControls.QKCheck", "chkPlaySound", page, 225, 1545, kCheckWidth, 225);
    chkPlaySound->SetCaption(QStringLiteral("Play sound when inserting a snippet."));
    MakePlainLabel(page, QStringLiteral("Sound:"), 510, 1800);
    cmbSound = Add<QKCombo>(this, "QKUIControls.QKCombo", "cmbSound", page, 1140, 1770, 1140, kComboHeight);
    optAutoExpand = Add<QKRatio>(this, "QKUIControls.QKRatio", "optAutoExpand", page, 225, 2115, kCheckWidth, 225);
    optAutoExpand->SetCaption(QStringLiteral("Automatically Expand after delimiters"));
    MakePlainLabel(page, QStringLiteral("(Space, Enter, Tab) and:"), 450, 2385);
    // Further characters that end a word; the one typed stays after the content.
    txtDelimiters = Add<QKText>(this, "QKUIControls.QKText", "txtDelimiters", page, 2430, 2355, 870, kComboHeight);
    txtDelimiters->TextBox()->setAccessibleName(QStringLiteral("Further delimiters"));
    txtDelimiters->TextBox()->setToolTip(QStringLiteral("Characters that also end a word, e.g. .,;:!?)"));
    // Shows the keyboard's way through the page as the other rows do; the
    // field still takes a click.
    FocusRing::Attach(txtDelimiters->TextBox());
    txtDelimiters->TextBox()->setFocusPolicy(Qt::StrongFocus);
    chkKeepTrigger = Add<QKCheck>(this, "QKUIControls.QKCheck", "chkKeepTrigger", page, 450, 2655, 3075, 225);
    chkKeepTrigger->SetCaption(QStringLiteral("Keep Space, Enter, Tab after it."));
    optHandExpand = Add<QKRatio>(this, "QKUIControls.QKRatio", "optHandExpand", page, 225, 2925, kCheckWidth, 225);
    optHandExpand->SetCaption(QStringLiteral("Expand abbreviations when press"));
    MakePlainLabel(page, QStringLiteral("Shift+"), 465, 3210);
    cmbExpandHotKey = Add<QKCombo>(this, "QKUIControls.QKCombo", "cmbExpandHotKey", page, 975, 3195, 1215, kComboHeight);
    // The key that opens the snippet picker.
    MakePlainLabel(page, QStringLiteral("Picker key:"), 240, 3495);
    cmbPickerKey = Add<QKCombo>(this, "QKUIControls.QKCombo", "cmbPickerKey", page, 1140, 3480, 1725, kComboHeight);
    chkUndoBackspace = Add<QKCheck>(this, "QKUIControls.QKCheck", "chkUndoBackspace", page, 225, 3780, kCheckWidth, 225);
    chkUndoBackspace->SetCaption(QStringLiteral("Backspace undoes an expansion."));
    // The start-up notices (no notification area, a Wayland session) are
    // shown once; this brings them back.
    chkStartNotice = Add<QKCheck>(this, "QKUIControls.QKCheck", "chkStartNotice", page, 225, 4050, kCheckWidth, 225);
    chkStartNotice->SetCaption(QStringLiteral("Show the start-up notices again."));
    // The folder other installations share the snippets through (empty: none).
    MakePlainLabel(page, QStringLiteral("Sync folder:"), 240, 4335);
    txtSyncFolder = Add<QKText>(this, "QKUIControls.QKText", "txtSyncFolder", page, 1290, 4320, 1575, kComboHeight);
    txtSyncFolder->TextBox()->setAccessibleName(QStringLiteral("Sync folder"));
    txtSyncFolder->TextBox()->setToolTip(
        QStringLiteral("A folder your other computers share (Syncthing, Nextcloud, Dropbox); empty: no sync"));
    FocusRing::Attach(txtSyncFolder->TextBox());
    txtSyncFolder->TextBox()->setFocusPolicy(Qt::StrongFocus);
    cmdSyncFolder = MakeControl<QKCommonButton>(page, QStringLiteral("cmdSyncFolder"), 2940, 4320, 600, 270);
    cmdSyncFolder->SetText(QStringLiteral("Choose"));
    cmdSyncFolder->setAccessibleName(QStringLiteral("Choose the sync folder"));
    // Creating a snippet from the selection is not offered: its two options
    // are filled like the others but never shown.
    chkCreateFromSelection =
        Add<QKCheck>(this, "QKUIControls.QKCheck", "chkCreateFromSelection", page, 240, 4920, kCheckWidth, 225);
    chkCreateFromSelection->SetCaption(QStringLiteral("Enable create snippet from selection"));
    chkCreateFromSelection->hide();
    lblCreateFromSelection = MakePlainLabel(page, QStringLiteral("when press: Shift+Alt+"), 525, 5235);
    lblCreateFromSelection->hide();
    cmbCreateHotKey = Add<QKCombo>(this, "QKUIControls.QKCombo", "cmbCreateHotKey", page, 2415, 5220, 840, kComboHeight);
    cmbCreateHotKey->hide();

    OptionMgr& options = form.optMgr;
    connect(chkEnable, &QKCheck::Click, this,
            [this, &options] { Guarded([&] { options.SetEnableQK(chkEnable->Value() == 1); }); });
    connect(chkStartWithWin, &QKCheck::Click, this,
            [this, &options] { Guarded([&] { options.SetStartWin(chkStartWithWin->Value() == 1); }); });
    connect(chkPlaySound, &QKCheck::Click, this,
            [this, &options] { Guarded([&] { options.SetEnablePlaySound(chkPlaySound->Value() == 1); }); });
    connect(chkStartNotice, &QKCheck::Click, this,
            [this, &options] { Guarded([&] { options.SetStartNotice(chkStartNotice->Value() == 1); }); });
    connect(chkUndoBackspace, &QKCheck::Click, this,
            [this, &options] { Guarded([&] { options.SetUndoWithBackspace(chkUndoBackspace->Value() == 1); }); });
    connect(chkKeepTrigger, &QKCheck::Click, this,
            [this, &options] { Guarded([&] { options.SetKeepTrigger(chkKeepTrigger->Value() == 1); }); });
    // Letters, digits and spaces cannot end a word: such keys type nothing
    // here, so the field always holds a value the options take.
    connect(txtDelimiters, &QKTextBox::KeyPress, this, [](qint16& keyAscii) {
        if (keyAscii > 0 && !OptionMgr::ValidDelimiters(QString(QChar(keyAscii))))
            keyAscii = 0;
    });
    connect(txtDelimiters->TextBox(), &QLineEdit::textEdited, this, [this, &options](const QString& text) {
        if (OptionMgr::ValidDelimiters(text))
            Guarded([&] { options.SetDelimiters(text); });
        else // a paste holding a letter or a space: the field shows what holds
            txtDelimiters->SetText(options.Delimiters());
    });
    // Saved when the field is left or Enter is pressed; the running program
    // starts or stops syncing at once.
    connect(txtSyncFolder->TextBox(), &QLineEdit::editingFinished, this, [this] { SaveSyncFolder(); });
    connect(cmdSyncFolder, &QKCommonButton::Click, this, [this] {
        const QString chosen = QFileDialog::getExistingDirectory(this, QStringLiteral("Sync folder"),
                                                                 txtSyncFolder->Text());
        if (chosen.isEmpty())
            return;
        txtSyncFolder->SetText(chosen);
        SaveSyncFolder();
    });
    connect(chkCreateFromSelection, &QKCheck::Click, this, [this, &options] {
        Guarded([&] { options.SetEnableSelectCreate(chkCreateFromSelection->Value() == 1); });
    });
    connect(cmbEnableHotKey, &QKCombo::Click, this,
            [this, &options] { Guarded([&] { options.SetSwitchQKKey(cmbEnableHotKey->Text()); }); });
    connect(cmbPickerKey, &QKCombo::Click, this, [this, &options] {
        Guarded([&] { options.SetPickerKey(cmbPickerKey->Text()); });
        // A refused name shows what holds.
        cmbPickerKey->SetText(options.PickerKeyName());
    });
    connect(cmbCreateHotKey, &QKCombo::Click, this,
            [this, &options] { Guarded([&] { options.SetCreateKey(cmbCreateHotKey->Text()); }); });
    connect(cmbExpandHotKey, &QKCombo::Click, this,
            [this, &options] { Guarded([&] { options.SetExpandKey(cmbExpandHotKey->Text()); }); });
    connect(optAutoExpand, &QKRatio::Click, this, [this, &options] {
        if (!optAutoExpand->Value())
            return;
        optHandExpand->SetValue(false);
        Guarded([&] { options.SetExpandWhen(QLatin1String(kAutoExpand)); });
    });
    connect(optHandExpand, &QKRatio::Click, this, [this, &options] {
        if (!optHandExpand->Value())
            return;
        optAutoExpand->SetValue(false);
        Guarded([&] { options.SetExpandWhen(QLatin1String(kHandExpand)); });
    });
    connect(cmbSound, &QKCombo::Click, this, [this] { PlayChosenSound(cmbSound->Text()); });
    BuildRulesSection();
}

void FormSetting::SaveSyncFolder()
{
    const QString folder = txtSyncFolder->Text().trimmed();
    if (folder == form.optMgr.SyncFolder())
        return;
    if (!folder.isEmpty() && !QFileInfo(folder).isDir()) {
        form.Services().notifier.Warning(
            QStringLiteral("\"%1\" is not a folder; the sync folder stays \"%2\".").arg(folder, form.optMgr.SyncFolder()));
        txtSyncFolder->SetText(form.optMgr.SyncFolder());
        return;
    }
    if (Guarded([&] { form.optMgr.SetSyncFolder(folder); }))
        form.FollowSyncOption();
}

void FormSetting::BuildRulesSection()
{
    frameRules = Add<QKWhiteFrame>(this, "QKUIControls.QKWhiteFrame", "frameRules", frameOptions, 465, 5220, 3720,
                                   810);
    MakePlainLabel(frameRules, QStringLiteral("Never expand in:"), 225, 45);
    lstRules = new QListWidget(frameRules);
    lstRules->setObjectName(QStringLiteral("lstRules"));
    lstRules->setFrameShape(QFrame::NoFrame);
    lstRules->setFont(Skins::TextFont());
    FocusRing::Attach(lstRules);
    QPalette palette = lstRules->palette();
    palette.setColor(QPalette::Base, QColor(244, 244, 246));
    palette.setColor(QPalette::Text, Skins::TextColor());
    lstRules->setPalette(palette);
    Twips::SetGeometry(lstRules, QRectF(225, 270, 1890, 495));
    lstRules->installEventFilter(this);
    cmdExcludeFront = MakeControl<QKCommonButton>(frameRules, QStringLiteral("cmdExcludeFront"), 2220, 240, 1350, 270);
    cmdRemoveRule = MakeControl<QKCommonButton>(frameRules, QStringLiteral("cmdRemoveRule"), 2220, 525, 1350, 270);
    cmdRemoveRule->SetText(QStringLiteral("Remove"));
    connect(cmdExcludeFront, &QKCommonButton::Click, this, [this] { ExcludeFrontApplication(); });
    connect(cmdRemoveRule, &QKCommonButton::Click, this, [this] { RemoveChosenRule(); });
}

void FormSetting::ShowRules()
{
    const QString chosen = lstRules->currentItem() ? lstRules->currentItem()->text() : QString();
    lstRules->clear();
    for (const AppRule& rule : form.optMgr.ExcludeRules())
        lstRules->addItem(rule.Text());
    const QList<QListWidgetItem*> again = lstRules->findItems(chosen, Qt::MatchExactly);
    lstRules->setCurrentRow(again.isEmpty() ? 0 : lstRules->row(again.first()));
    // An empty list and a button with nothing to do are no stops for Tab.
    lstRules->setEnabled(lstRules->count() > 0);
    cmdRemoveRule->setEnabled(lstRules->count() > 0);
    lstRules->setAccessibleName(QStringLiteral("Never expand in"));
    cmdRemoveRule->setAccessibleName(QStringLiteral("Remove the chosen application from the list"));

    const QString front = form.FrontApplication();
    const QString shown = QFontMetrics(Skins::TextFont()).elidedText(front, Qt::ElideRight, Twips::ToPixels(900));
    cmdExcludeFront->SetText(front.isEmpty() ? QStringLiteral("Add") : QStringLiteral("Add ") + shown);
    cmdExcludeFront->Text(); // reading centres the new caption
    cmdExcludeFront->setEnabled(!front.isEmpty());
    cmdExcludeFront->setAccessibleName(
        front.isEmpty() ? QStringLiteral("Add the application in front (not known)")
                        : QStringLiteral("Add %1, the application in front before this window").arg(front));
}

void FormSetting::ExcludeFrontApplication()
{
    const QString front = form.FrontApplication();
    if (front.isEmpty())
        return;
    Guarded([&] { form.optMgr.AddExcludeRule(front); });
    ShowRules();
    const QList<QListWidgetItem*> added = lstRules->findItems(front, Qt::MatchFixedString);
    if (!added.isEmpty())
        lstRules->setCurrentItem(added.first());
}

void FormSetting::RemoveChosenRule()
{
    QListWidgetItem* chosen = lstRules->currentItem();
    if (!chosen)
        return;
    const int row = lstRules->row(chosen);
    const bool keyboardHere = lstRules->hasFocus() || cmdRemoveRule->hasFocus();
    Guarded([&] { form.optMgr.RemoveExcludeRule(chosen->text()); });
    ShowRules();
    lstRules->setCurrentRow(std::min(row, lstRules->count() - 1));
    // The keyboard stays in the section when the last rule goes (the list
    // and the button are then out of use).
    if (lstRules->count() == 0 && keyboardHere && cmdExcludeFront->isEnabled())
        cmdExcludeFront->setFocus(Qt::OtherFocusReason);
}

void FormSetting::BuildInfoPage()
{
    auto* stats = Add<QKWhiteFrame>(this, "QKUIControls.QKWhiteFrame", "QKWhiteFrame2", frameInfo, 225, 1830, 4140,
                                    1725);
    MakePlainLabel(stats, QStringLiteral("Quillo saves your time and effort:"), 75, 60);
    MakePlainLabel(stats, QStringLiteral("Snippets expanded:"), 75, 375);
    lblNumSniExp = MakePlainLabel(stats, QStringLiteral("00"), 2025, 375);
    MakePlainLabel(stats, QStringLiteral("Characters saved:"), 75, 615);
    lblNumChaSav = MakePlainLabel(stats, QStringLiteral("00"), 2025, 615);
    MakePlainLabel(stats, QStringLiteral("Hours saved:"), 75, 855);
    lblNumHourSav = MakePlainLabel(stats, QStringLiteral("00"), 2025, 855);
    MakePlainLabel(stats, QStringLiteral("(at 400 Characters/Minute)"), 75, 1095);

    QLabel* product = MakePlainLabel(frameInfo, QStringLiteral("Quillo"), 2130, 420);
    QFont productFont = product->font();
    productFont.setBold(true);
    productFont.setPixelSize(16);
    product->setFont(productFont);
    product->adjustSize();
    MakePlainLabel(frameInfo, QLatin1String(kVersionText), 2310, 720);
    Label14 = new QKLabel(QStringLiteral("Label14"), frameInfo);
    Label14->SetCaption(QStringLiteral("Visit Quillo Homepage"));
    Label14->SetTextColor(kLinkBlue);
    QFont linkFont = Label14->font();
    linkFont.setUnderline(true);
    Label14->setFont(linkFont);
    Label14->SetCaption(Label14->Caption()); // fit to the underlined font
    Label14->setCursor(Qt::PointingHandCursor);
    Label14->SetTakesFocus(true);
    Twips::Move(Label14, 1777, 1260);
    connect(Label14, &QKLabel::Click, this, [this] {
        // The home page is the guide that comes with the program: in the
        // installed read-only files unless the folder holds its own copy.
        form.Services().urls.OpenUrl(
            QUrl::fromLocalFile(ProgramFolder::ReadOnlyFile(form.Home(), QLatin1String(kHomePage))));
    });
}

// ---- what the shell calls -------------------------------------------------

int FormSetting::ChangeToTab(qint16 tabNum)
{
    QKTab1->SwitchTab(tabNum); // reports TabClick, which switches
    TabSwitch(tabNum);
    return 0;
}

int FormSetting::ReloadAllSnippets()
{
    if (!ConfirmDropEdits(true))
        return 0;
    txtSearch->SetText(QString());
    Guarded([&] { currentList = form.snippetMgr.GetSnippetCollection(QString()); });
    DoEvents();
    DoEvents();
    oSnippetsPad->SetSnippetCollection(&currentList);
    return 0;
}

int FormSetting::AddNewSnippetFormSelection()
{
    oSnippetsPad->AddNewSinppetFromSelection();
    return 0;
}

int FormSetting::CallSortSnippetList()
{
    Search();
    return 0;
}

void FormSetting::SetEnableCheck(bool enabled)
{
    chkEnable->SetValue(enabled ? 1 : 0);
}

void FormSetting::SetPlaySoundCheck(bool enabled)
{
    chkPlaySound->SetValue(enabled ? 1 : 0);
}

QString FormSetting::HoursSaved(int charactersSaved)
{
    const float hours = float(charactersSaved) / float(kCharactersPerHour);
    return QString::number(double(hours), 'f', 3);
}

// ---- pages ----------------------------------------------------------------

void FormSetting::TabSwitch(int k)
{
    // The page the keyboard was on goes: the keyboard waits on the tab
    // strip, showing its ring only if the keyboard changed the page.
    QWidget* focused = QApplication::focusWidget();
    QKGrayFrame* const shown = k == 1 ? frameSnippets : k == 2 ? frameOptions : frameInfo;
    if (focused && focused != QKTab1 && isAncestorOf(focused) && !shown->isAncestorOf(focused) &&
        !btnClose->isAncestorOf(focused) && focused != btnClose)
        QKTab1->setFocus(pageByKeyboard ? Qt::TabFocusReason : Qt::MouseFocusReason);
    frameSnippets->setVisible(k == 1);
    frameOptions->setVisible(k == 2);
    frameInfo->setVisible(k != 1 && k != 2);
    if (k == 1) {
        DoEvents();
        if (!snippetsLoaded) {
            Guarded([&] { currentList = form.snippetMgr.GetSnippetCollection(QString()); });
            oSnippetsPad->SetSnippetCollection(&currentList);
            snippetsLoaded = true;
        }
    } else if (k == 2) {
        if (!optionsLoaded) {
            FillOptions();
            optionsLoaded = true;
        }
        // The application in front may have changed since the page was filled.
        ShowRules();
    } else {
        const OptionMgr& options = form.optMgr;
        lblNumSniExp->setText(QString::number(options.SniExp()));
        lblNumChaSav->setText(QString::number(options.ChrSav()));
        lblNumHourSav->setText(HoursSaved(options.ChrSav()));
        for (QLabel* value : {lblNumSniExp, lblNumChaSav, lblNumHourSav})
            value->adjustSize();
    }
}

void FormSetting::FillOptions()
{
    ShowOptionValues();
    for (const QString& key : kFunctionKeys)
        cmbEnableHotKey->AddItem(key);
    for (const QString& key : kFunctionKeys)
        cmbCreateHotKey->AddItem(key);
    for (const QString& key : kExpandKeys)
        cmbExpandHotKey->AddItem(key);
    for (const QString& key : kPickerKeys)
        cmbPickerKey->AddItem(key);
    for (const QString& sound : kSounds)
        cmbSound->AddItem(sound);
}

void FormSetting::OptionsReloaded()
{
    if (optionsLoaded)
        ShowOptionValues();
}

void FormSetting::ShowOptionValues()
{
    const OptionMgr& options = form.optMgr;
    chkEnable->SetValue(options.EnableQK() ? 1 : 0);
    chkCreateFromSelection->SetValue(options.EnableSelectCreate() ? 1 : 0);
    chkPlaySound->SetValue(options.EnablePlaySound() ? 1 : 0);
    chkStartWithWin->SetValue(options.StartWin() ? 1 : 0);
    chkStartNotice->SetValue(options.StartNotice() ? 1 : 0);
    chkKeepTrigger->SetValue(options.KeepTrigger() ? 1 : 0);
    chkUndoBackspace->SetValue(options.UndoWithBackspace() ? 1 : 0);
    if (txtDelimiters->Text() != options.Delimiters())
        txtDelimiters->SetText(options.Delimiters());
    if (!txtSyncFolder->TextBox()->hasFocus() && txtSyncFolder->Text() != options.SyncFolder())
        txtSyncFolder->SetText(options.SyncFolder());
    // A stored text that is none of the items still shows as it is.
    cmbEnableHotKey->SetText(options.SwitchQKKey());
    cmbCreateHotKey->SetText(options.CreateKey());
    cmbSound->SetText(options.SoundName());
    cmbExpandHotKey->SetText(options.ExpandKey());
    cmbPickerKey->SetText(options.PickerKeyName());
    const bool automatic = options.ExpandWhen().toUpper() == QLatin1String("AUTO");
    optAutoExpand->SetValue(automatic);
    optHandExpand->SetValue(!automatic);
    ShowRules();
}

void FormSetting::PlayChosenSound(const QString& soundName)
{
    Guarded([&] { form.optMgr.SetSoundName(soundName); });
    // The engine plays the same bytes at every expansion, so the choice
    // takes effect at once.
    form.LoadSound(soundName);
    DoEvents();
    form.Services().sound.Play(form.engine->soundData);
}

// ---- the snippets page ----------------------------------------------------

double FormSetting::ContainerHeight() const
{
    return Twips::Geometry(oPictureContainer).height();
}

void FormSetting::Search()
{
    if (!ConfirmDropEdits(true))
        return;
    const QString text = txtSearch->Text();
    Guarded([&] { currentList = form.snippetMgr.GetSnippetCollection(text); });
    DoEvents();
    QRectF area = Twips::Geometry(oPictureContainer);
    if (!text.isEmpty()) {
        area.setTop(kSearchListTop);
        area.setHeight(kSearchListHeight);
        lblBackToList->show();
        lblSearchFor->show();
        lblSearchFor->SetCaption(QStringLiteral("Search results for \"%1\"").arg(text));
        Twips::SetLeft(lblSearchFor, kSearchLabelRight - lblSearchFor->Width());
    } else {
        area.setTop(kListTop);
        area.setHeight(kListHeight);
        lblBackToList->hide();
        lblSearchFor->hide();
    }
    Twips::SetGeometry(oPictureContainer, area);
    DoEvents();
    oSnippetsPad->SetSnippetCollection(&currentList);
    DoEvents();
}

void FormSetting::PadSizeChanged(qint32 /*width*/, qint32 height)
{
    const double containerHeight = ContainerHeight();
    if (height <= containerHeight) {
        oVScroll->hide();
        oSnippetsPad->Move(kPadLeftAlone, kPadTop);
        return;
    }
    oSnippetsPad->SetLeft(kPadLeftWithBar);
    oVScroll->show();
    oVScroll->SetMin(1);
    oVScroll->SetMax(Twips::RoundHalfEven(double(height) - containerHeight));
    // A wheel notch or an arrow key moves by rows, a page by what shows.
    oVScroll->SetSmallChange(SnippetsPad::kNewRowHeight);
    oVScroll->SetLargeChange(Twips::RoundHalfEven(containerHeight));
    DoEvents();
    // No empty space below the last row.
    if (oSnippetsPad->Top() + oSnippetsPad->Height() < containerHeight)
        oVScroll->ScrollTo(oVScroll->Max());
}

void FormSetting::PadShowTheControl(qint32 /*top*/, qint32 bottom)
{
    const double containerHeight = ContainerHeight();
    if (float(oSnippetsPad->Top() + bottom) > float(containerHeight))
        oVScroll->ScrollTo(Twips::RoundHalfEven(double(bottom) - containerHeight));
}

void FormSetting::SaveSnippet(const SnippetPtr& aSnippet, bool& saved)
{
    saved = Guarded([&] {
        const SnippetPtr stored = form.snippetMgr.CommitSnippet(*aSnippet);
        aSnippet->snippetID = stored->snippetID;
    });
}

void FormSetting::DeleteSnippet(const SnippetPtr& aSnippet, bool& deleted)
{
    deleted = Guarded([&] { form.snippetMgr.DelSnippet(*aSnippet); });
}

// ---- the window -----------------------------------------------------------

void FormSetting::mousePressEvent(QMouseEvent* event)
{
    // Any button on the background moves the window, as its title bar would.
    event->accept();
    DragWindow(this, event->globalPosition());
}

// ---- unsaved edits --------------------------------------------------------

bool FormSetting::ConfirmDropEdits(bool mayCancel)
{
    if (!oSnippetsPad || oSnippetsPad->UnsavedEdits().isEmpty())
        return true;
    switch (form.Services().notifier.AskToSave(QLatin1String(kUnsavedQuestion), mayCancel)) {
    case UserNotifier::Answer::Discard:
        return true;
    case UserNotifier::Answer::Cancel:
        return !mayCancel;
    case UserNotifier::Answer::Save:
        // A row the check or the store refused stays open with its message
        // shown, and whatever was about to drop it waits.
        return oSnippetsPad->SaveEdits() || !mayCancel;
    }
    return false;
}

void FormSetting::OnUnload(bool& cancel)
{
    cancel = !ConfirmDropEdits(!closingForExit);
}

void FormSetting::CloseForExit()
{
    closingForExit = true;
    close();
}

// ---- the keyboard ---------------------------------------------------------

QList<QWidget*> FormSetting::PageStops() const
{
    if (frameSnippets->isVisible())
        return QList<QWidget*>{txtSearch->TextBox(), lblBackToList, cmdAdd, cmdSet, nullptr, oVScroll};
    if (frameOptions->isVisible())
        return QList<QWidget*>{chkEnable,      cmbEnableHotKey, chkStartWithWin,  chkPlaySound,
                               cmbSound,       optAutoExpand,   txtDelimiters->TextBox(), chkKeepTrigger,
                               optHandExpand,  cmbExpandHotKey, cmbPickerKey,     chkUndoBackspace, chkStartNotice,
                               txtSyncFolder->TextBox(), cmdSyncFolder, lstRules,
                               cmdExcludeFront, cmdRemoveRule,  chkCreateFromSelection, cmbCreateHotKey};
    return QList<QWidget*>{Label14};
}

QWidget* FormSetting::NextTabStop(QWidget* from, bool next)
{
    QList<QWidget*> stops = PageStops();
    stops.prepend(QKTab1);
    stops.append(btnClose);
    const auto usable = [this](QWidget* w) {
        return w && w->isVisibleTo(this) && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus);
    };
    const int count = int(stops.size());
    int at = -1;
    if (from && (from == oSnippetsPad || oSnippetsPad->isAncestorOf(from))) {
        if (QWidget* inList = oSnippetsPad->NextTabStop(from, next))
            return inList;
        at = int(stops.indexOf(nullptr));
    } else if (from) {
        at = int(stops.indexOf(from));
    }
    // From outside the order, Tab starts at the first stop, Shift+Tab at
    // the last.
    if (at < 0)
        at = next ? -1 : count;
    for (int step = 1; step <= count; ++step) {
        const int i = ((at + (next ? step : -step)) % count + count) % count;
        if (stops[i] == nullptr) {
            if (QWidget* inList = oSnippetsPad->NextTabStop(nullptr, next))
                return inList;
        } else if (usable(stops[i])) {
            return stops[i];
        }
    }
    return nullptr;
}

bool FormSetting::focusNextPrevChild(bool next)
{
    QWidget* target = NextTabStop(QApplication::focusWidget(), next);
    if (!target)
        return QKForm::focusNextPrevChild(next);
    target->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

void FormSetting::keyPressEvent(QKeyEvent* event)
{
    const Qt::KeyboardModifiers mods = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier);
    if (event->key() == Qt::Key_Escape && mods == Qt::NoModifier) {
        event->accept();
        close();
        return;
    }
    // Ctrl+Page Down and Ctrl+Page Up go through the pages.
    if (mods == Qt::ControlModifier && (event->key() == Qt::Key_PageDown || event->key() == Qt::Key_PageUp)) {
        event->accept();
        const int tab = QKTab1->SelectedTab();
        const int wanted = event->key() == Qt::Key_PageDown ? tab % QKTab::kTabs + 1
                                                            : (tab + QKTab::kTabs - 2) % QKTab::kTabs + 1;
        pageByKeyboard = true;
        QKTab1->SwitchTab(qint16(wanted));
        pageByKeyboard = false;
        return;
    }
    QKForm::keyPressEvent(event);
}

bool FormSetting::eventFilter(QObject* watched, QEvent* event)
{
    // In the list of rules Delete removes the chosen one and Insert adds the
    // application that was in front.
    if (watched == lstRules && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        // Tab leaves the list along the window's order, as from any control.
        if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) &&
            !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            focusNextPrevChild(key->key() == Qt::Key_Tab && !(key->modifiers() & Qt::ShiftModifier));
            return true;
        }
        if (key->modifiers() == Qt::NoModifier && key->key() == Qt::Key_Delete) {
            RemoveChosenRule();
            return true;
        }
        if (key->modifiers() == Qt::NoModifier && key->key() == Qt::Key_Insert) {
            ExcludeFrontApplication();
            return true;
        }
    }
    if (watched == surface && event->type() == QEvent::Paint) {
        QPainter painter(surface);
        painter.drawPixmap(0, 0, SkinPicture(surface->size(), painter.device()->devicePixelRatioF()));
        return true;
    }
    // The wheel anywhere over the list, and the paging keys that nothing in
    // it used, scroll it.
    if (watched == oPictureContainer && oVScroll && oVScroll->isVisible()) {
        if (event->type() == QEvent::Wheel) {
            QCoreApplication::sendEvent(oVScroll, event);
            return true;
        }
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            const bool inText = qobject_cast<QLineEdit*>(QApplication::focusWidget()) != nullptr;
            switch (key->key()) {
            case Qt::Key_PageUp:
            case Qt::Key_PageDown:
                break;
            case Qt::Key_Up:
            case Qt::Key_Down:
                if (inText)
                    return false;
                break;
            default:
                return false;
            }
            if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
                return false;
            QKeyEvent copy(QEvent::KeyPress, key->key(), Qt::NoModifier);
            QCoreApplication::sendEvent(oVScroll, &copy);
            return true;
        }
    }
    return QKForm::eventFilter(watched, event);
}

void FormSetting::ShowInList(QWidget* widget)
{
    const int rowNum = oSnippetsPad->RowOfWidget(widget);
    QKUserControl* panel = rowNum > 0 ? oSnippetsPad->RowPanel(rowNum) : nullptr;
    if (!panel || !oVScroll->isVisible())
        return;
    const double containerHeight = ContainerHeight();
    const double shownTop = oSnippetsPad->Top() + panel->Top();
    const double shownBottom = shownTop + panel->Height();
    const double margin = SnippetsPad::kOriginY;
    double wanted = oVScroll->Value();
    if (shownTop < 0)
        wanted += shownTop - margin;
    else if (shownBottom > containerHeight)
        wanted += shownBottom - containerHeight + margin;
    else
        return;
    const qint32 value = qBound(oVScroll->Min(), Twips::RoundHalfEven(wanted), oVScroll->Max());
    if (value != oVScroll->Value())
        oVScroll->ScrollTo(value);
}
