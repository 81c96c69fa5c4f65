#pragma once

#include "controls/QKUserControl.h"
#include "store/Snippet.h"

class QKContentTip;
class QKSnippetTip;

// One row of the suggestion list: the abbreviation in a dark pill, then the
// start of the content. Rows only inform; the pieces show their whole text
// as a hover text.
class SnippetTip : public QKUserControl
{
    Q_OBJECT
    Q_CLASSINFO("ProgId", "Quillo.SnippetTip")
public:
    // Twips, as the row is placed on the list.
    static constexpr double kWidth = 3630;
    static constexpr double kHeight = 330;
    static constexpr double kTipLeft = 60;
    static constexpr double kTipTop = 30;
    static constexpr double kTipWidth = 840; // the pill then sizes itself to the text
    static constexpr double kTipHeight = 255;
    static constexpr double kContentLeft = 1065;
    static constexpr double kContentWidth = 2445;

    explicit SnippetTip(QWidget* parent = nullptr);

    int SetSnippet(const Snippet& aSnippet);

    QKSnippetTip* oQKSnippetTip;
    QKContentTip* oQKContentTip;
};
