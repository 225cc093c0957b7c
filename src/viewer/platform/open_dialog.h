// The file dialog of the Open command: Qt's own dialog (the same on every desktop), with a filter
// written as "description|pattern" pairs, whose patterns match as on the system the viewer comes
// from: without regard to case, and "*.*" matches every file, names without a dot too.
#pragma once

#include <QFileDialog>
#include <QRegularExpression>
#include <QSortFilterProxyModel>
#include <QString>
#include <QStringList>

#include <string>
#include <string_view>
#include <vector>

namespace qel::platform {

// One entry of a filter: what the list of file types shows, and the patterns, separated by ";".
struct FilterEntry {
    QString description;
    QString patterns;
};

// "Settings (*.QEL)|*.QEL|All Files (*.*)|*.*" gives two entries. A trailing description without
// a pattern gets an empty one.
[[nodiscard]] std::vector<FilterEntry> ParseFilter(std::string_view filter);

// Whether a file name matches one of the patterns ("*.QEL;*.TXT").
class FilePatterns {
public:
    explicit FilePatterns(const QString& patterns = QStringLiteral("*"));
    [[nodiscard]] bool Matches(const QString& fileName) const;

private:
    std::vector<QRegularExpression> expressions_;
    bool matchesAll_ = false;
};

// Filters the dialog's file system model by the chosen entry's patterns in place of Qt's own
// matching (which is case-sensitive here and takes "*.*" to need a dot). Folders always show.
class FilePatternProxy : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

    void SetPatterns(const QString& patterns);
    void setSourceModel(QAbstractItemModel* model) override;
    [[nodiscard]] Qt::ItemFlags flags(const QModelIndex& index) const override;

protected:
    [[nodiscard]] bool filterAcceptsRow(int sourceRow,
                                        const QModelIndex& sourceParent) const override;

private:
    FilePatterns patterns_;
};

class TOpenDialog : public QFileDialog {
public:
    explicit TOpenDialog(QWidget* parent);

    // Replaces the entries of the list of file types; the chosen entry (FilterIndex) stays.
    void SetFilter(std::string_view filter);
    // Shows the dialog modally: true when the user confirmed a file name, which FileName then
    // holds. Offers the file name and filter entry of the last confirmed use again.
    bool Execute();
    // The full path of the file last confirmed, in the file system's encoding.
    [[nodiscard]] std::string FileName() const;
    // The filter entry of the last confirmed use, counted from 1.
    [[nodiscard]] int FilterIndex() const noexcept { return filterIndex_; }

private:
    void UseEntry(int index);

    std::vector<FilterEntry> entries_;
    FilePatternProxy* proxy_;
    QString fileName_;
    int filterIndex_ = 1;
};

} // namespace qel::platform
