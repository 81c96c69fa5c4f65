#include "ui/SnippetPickerModel.h"

#include "store/SearchFolding.h"

#include <QRegularExpression>
#include <numeric>

namespace {

// One line: the description if there is one, else the content's first line.
QString Summary(const Snippet& snippet)
{
    QString text = snippet.desString.trimmed().isEmpty() ? snippet.contentString : snippet.desString;
    const qsizetype lineEnd = text.indexOf(QRegularExpression(QStringLiteral("[\r\n]")));
    if (lineEnd >= 0)
        text = text.left(lineEnd) + QStringLiteral(" …");
    if (text.size() > SnippetPickerModel::kSummaryLength)
        text = text.left(SnippetPickerModel::kSummaryLength) + QStringLiteral("…");
    return text;
}

} // namespace

SnippetPickerModel::SnippetPickerModel(QObject* parent) : QAbstractListModel(parent) {}

void SnippetPickerModel::SetSnippets(const SnippetCollection& snippets)
{
    beginResetModel();
    if (snippets != all) {
        all = snippets;
        folded.clear();
        prepared = false;
    }
    filter.clear();
    foldedFilter.clear();
    listed.resize(all.size());
    std::iota(listed.begin(), listed.end(), 0);
    endResetModel();
}

void SnippetPickerModel::Prepare()
{
    if (prepared)
        return;
    folded.reserve(all.size());
    // A line break cannot be typed into the filter, so no match spans two
    // of the fields.
    for (const SnippetPtr& snippet : all)
        folded << SearchFolding::Fold(snippet->snippetString + QLatin1Char('\n') + snippet->desString +
                                      QLatin1Char('\n') + snippet->contentString);
    prepared = true;
}

void SnippetPickerModel::SetFilter(const QString& text)
{
    if (text == filter)
        return;
    Prepare();
    const QString foldedText = SearchFolding::Fold(text);
    QVector<int> candidates;
    if (foldedText.contains(foldedFilter)) {
        candidates = listed; // whatever holds the new text held the old one
    } else {
        candidates.resize(all.size());
        std::iota(candidates.begin(), candidates.end(), 0);
    }
    QVector<int> kept;
    kept.reserve(candidates.size());
    for (int row : candidates)
        if (folded[row].contains(foldedText))
            kept << row;
    beginResetModel();
    filter = text;
    foldedFilter = foldedText;
    listed = std::move(kept);
    endResetModel();
}

SnippetPtr SnippetPickerModel::At(int row) const
{
    return row >= 0 && row < listed.size() ? all[listed[row]] : nullptr;
}

int SnippetPickerModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(listed.size());
}

QVariant SnippetPickerModel::data(const QModelIndex& index, int role) const
{
    const SnippetPtr snippet = At(index.row());
    if (!snippet || index.parent().isValid())
        return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return snippet->snippetString + QStringLiteral(" — ") + Summary(*snippet);
    if (role == Qt::ToolTipRole)
        return snippet->contentString;
    return {};
}
