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
    // cleared. Folds them again only when the list is not the one held.
    void SetSnippets(const SnippetCollection& snippets);
    void SetFilter(const QString& text);
    QString Filter() const { return filter; }
    SnippetPtr At(int row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    SnippetCollection all;
    QStringList folded;   // per snippet of all: abbreviation, description, content
    QVector<int> listed;  // rows of all that hold the filter
    QString filter;
    QString foldedFilter;
};
