#pragma once

#include "store/Snippet.h"

#include <QAbstractListModel>
#include <QStringList>
#include <QVector>

// The snippet picker's list: every snippet whose abbreviation, description
// or content holds the filter text, compared case-folded in every script as
// the snippet search compares. The folded text of each snippet is made once
// per snippet list, so a key typed into the filter costs one substring
// search per snippet still listed, and a longer filter only searches the
// rows the shorter one kept.
class SnippetPickerModel : public QAbstractListModel
{
public:
    // What a row shows of the content or description after the
    // abbreviation, in characters.
    static constexpr int kSummaryLength = 80;

    explicit SnippetPickerModel(QObject* parent = nullptr);

    // The snippets to pick from, in the order listed; the filter is
    // cleared. A list that is not the one held is folded later, by Prepare
    // or the first filter, so the window shows without waiting for it.
    void SetSnippets(const SnippetCollection& snippets);
    // Folds the snippets' text if that is still to be done.
    void Prepare();
    void SetFilter(const QString& text);
    QString Filter() const { return filter; }
    SnippetPtr At(int row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    SnippetCollection all;
    QStringList folded;   // per snippet of all: abbreviation, description, content
    bool prepared = true;
    QVector<int> listed;  // rows of all that hold the filter
    QString filter;
    QString foldedFilter;
};
