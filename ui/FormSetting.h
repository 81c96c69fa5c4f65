#pragma once

#include "controls/QKForm.h"
#include "store/Snippet.h"

class FormMain;
class FormViewport;
class QKAddButton;
class QKCheck;
class QKCloseButton;
class QKCommonButton;
class QKCombo;
class QKFilter;
class QKFunctionButton;
class QKGrayFrame;
class QKLabel;
class QKRatio;
class QKTab;
class QKText;
class QKVScroll;
class QKWhiteFrame;
class QLabel;
class QListWidget;
class SnippetsPad;

// The settings window: the snippets page (browse, search, add, edit and
// delete in the snippets pad), the options page and the information page.
// A borderless skinned window moved by dragging its background, destroyed
// when closed. It opens centred within the screen's free area and scrolls
// where that area cannot hold it whole (a small or strongly scaled screen). Each page is filled the first time its tab is chosen.
//
// Errors of the store or the options file are shown in a box titled
// "Quillo" through the main window's notifier; the window stays usable and
// the user's input stays where it was.
//
// Everything can be done from the keyboard: Tab visits the tab strip, the
// page's controls (the list row by row) and the close button; the list
// scrolls to the row the keyboard is on, and by the wheel and Page Up and
// Page Down anywhere over it. Escape closes the window (inside an edit or
// delete row it cancels that row). Before a search, a reload or closing
// would drop edit rows holding changes, the user is asked to save them,
// discard them or (except when the program is ending) stay.
class FormSetting : public QKForm
{
    Q_OBJECT
public:
    static constexpr double kClientWidth = 5280;
    static constexpr double kClientHeight = 7170;
    static constexpr double kListTop = 60;
    static constexpr double kListHeight = 5100;
    static constexpr double kSearchListTop = 255;
    static constexpr double kSearchListHeight = 4950;
    static constexpr double kSearchLabelRight = 4035;
    static constexpr double kPadTop = 15;
    static constexpr double kPadLeftWithBar = 45;
    static constexpr double kPadLeftAlone = 60;
    static constexpr int kCharactersPerHour = 24000; // 400 a minute
    static constexpr const char* kVersionText = "Version: 1.1.18";
    static constexpr const char* kHomePage = "help/index.html";
    static constexpr const char* kUnsavedQuestion =
        "A snippet you are editing has changes that are not saved.\r\nDo you want to save them?";

    explicit FormSetting(FormMain& form, QWidget* parent = nullptr);
    ~FormSetting() override;

    int ChangeToTab(qint16 tabNum);
    int ReloadAllSnippets();
    int AddNewSnippetFormSelection();
    int CallSortSnippetList();
    // Closes the window as the program ends: unsaved edits may be saved or
    // discarded, but the closing cannot be called off.
    void CloseForExit();
    // Where Tab goes from `from` in the window's order (nullptr: from the
    // start or the end).
    QWidget* NextTabStop(QWidget* from, bool next);
    // The options store changed these elsewhere.
    void SetEnableCheck(bool enabled);
    void SetPlaySoundCheck(bool enabled);
    // settings.ini was read again: the options page shows what it holds.
    void OptionsReloaded();

    // "###0.000": 36000 characters give "1.500".
    static QString HoursSaved(int charactersSaved);

    bool SnippetsLoaded() const { return snippetsLoaded; }
    bool OptionsLoaded() const { return optionsLoaded; }
    const SnippetCollection& CurrentList() const { return currentList; }

    // The controls, by their names.
    QKTab* QKTab1 = nullptr;
    QKCloseButton* btnClose = nullptr;
    QKGrayFrame* frameSnippets = nullptr;
    QKGrayFrame* frameOptions = nullptr;
    QKGrayFrame* frameInfo = nullptr;
    QKFilter* txtSearch = nullptr;
    QKAddButton* cmdAdd = nullptr;
    QKFunctionButton* cmdSet = nullptr;
    QKWhiteFrame* QKWhiteFrame3 = nullptr;
    QKLabel* lblBackToList = nullptr;
    QKLabel* lblSearchFor = nullptr;
    QWidget* oPictureContainer = nullptr;
    QKVScroll* oVScroll = nullptr;
    SnippetsPad* oSnippetsPad = nullptr;
    QKWhiteFrame* QKWhiteFrame1 = nullptr;
    QKCheck* chkEnable = nullptr;
    QKCombo* cmbEnableHotKey = nullptr;
    QKCombo* cmbPickerKey = nullptr;
    QKCheck* chkStartWithWin = nullptr;
    QKCheck* chkPlaySound = nullptr;
    QKCheck* chkStartNotice = nullptr;
    QKCombo* cmbSound = nullptr;
    QKRatio* optAutoExpand = nullptr;
    QKText* txtDelimiters = nullptr;
    QKCheck* chkKeepTrigger = nullptr;
    QKCheck* chkUndoBackspace = nullptr;
    QKText* txtSyncFolder = nullptr;
    QKCommonButton* cmdSyncFolder = nullptr;
    QKRatio* optHandExpand = nullptr;
    QKCombo* cmbExpandHotKey = nullptr;
    QKCheck* chkCreateFromSelection = nullptr;
    QLabel* lblCreateFromSelection = nullptr;
    QKCombo* cmbCreateHotKey = nullptr;
    QLabel* lblNumSniExp = nullptr;
    QLabel* lblNumChaSav = nullptr;
    QLabel* lblNumHourSav = nullptr;
    QKLabel* Label14 = nullptr;
    // The applications where nothing is expanded, on the options page.
    QKWhiteFrame* frameRules = nullptr;
    QListWidget* lstRules = nullptr;
    QKCommonButton* cmdExcludeFront = nullptr;
    QKCommonButton* cmdRemoveRule = nullptr;

protected:
    void OnLoad() override;
    void OnUnload(bool& cancel) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildSnippetsPage();
    void BuildOptionsPage();
    void BuildInfoPage();
    void TabSwitch(int k);
    void FillOptions();
    void ShowOptionValues();
    void BuildRulesSection();
    // Takes the sync folder field: a folder that exists, or empty (no sync).
    void SaveSyncFolder();
    // The rules as the options hold them, and what the exclude button offers.
    void ShowRules();
    void ExcludeFrontApplication();
    void RemoveChosenRule();
    void Search();
    void PlayChosenSound(const QString& soundName);
    void PadSizeChanged(qint32 width, qint32 height);
    void PadShowTheControl(qint32 top, qint32 bottom);
    void SaveSnippet(const SnippetPtr& aSnippet, bool& saved);
    void DeleteSnippet(const SnippetPtr& aSnippet, bool& deleted);
    double ContainerHeight() const;
    // True when the pad's edit rows may be dropped: none has changes, or the
    // user saved or discarded them.
    bool ConfirmDropEdits(bool mayCancel);
    // Scrolls the list so that the row holding `widget` shows whole.
    void ShowInList(QWidget* widget);
    // The page's stops in Tab order; nullptr stands for the list's rows.
    QList<QWidget*> PageStops() const;
    // Runs a user's action; an error is shown, never thrown further.
    template <typename Action> bool Guarded(Action action);

    FormMain& form;
    // The content, on a surface that scrolls where the screen is too small.
    FormViewport* viewport = nullptr;
    QWidget* surface = nullptr;
    SnippetCollection currentList;
    bool snippetsLoaded = false;
    bool optionsLoaded = false;
    bool closingForExit = false;
    bool pageByKeyboard = false;
};
