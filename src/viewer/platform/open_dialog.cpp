#include "open_dialog.h"

#include "modal_scope.h"

#include <QFile>
#include <QFileSystemModel>

#include <algorithm>

namespace qel::platform {

std::vector<FilterEntry> ParseFilter(std::string_view filter) {
    std::vector<FilterEntry> entries;
    while (!filter.empty()) {
        const std::size_t descriptionEnd = std::min(filter.find('|'), filter.size());
        const std::string_view description = filter.substr(0, descriptionEnd);
        filter.remove_prefix(std::min(descriptionEnd + 1, filter.size()));
        const std::size_t patternsEnd = std::min(filter.find('|'), filter.size());
        const std::string_view patterns = filter.substr(0, patternsEnd);
        filter.remove_prefix(std::min(patternsEnd + 1, filter.size()));
        entries.push_back(
            {QString::fromLocal8Bit(description.data(), static_cast<qsizetype>(description.size())),
             QString::fromLocal8Bit(patterns.data(), static_cast<qsizetype>(patterns.size()))});
    }
    return entries;
}

FilePatterns::FilePatterns(const QString& patterns) {
    for (const QString& part : patterns.split(u';', Qt::SkipEmptyParts)) {
        const QString pattern = part.trimmed();
        if (pattern == u"*.*" || pattern == u"*") {
            matchesAll_ = true;
            continue;
        }
        if (!pattern.isEmpty())
            expressions_.push_back(QRegularExpression::fromWildcard(pattern, Qt::CaseInsensitive));
    }
}

bool FilePatterns::Matches(const QString& fileName) const {
    return matchesAll_ ||
           std::any_of(expressions_.begin(), expressions_.end(),
                       [&](const QRegularExpression& e) { return e.match(fileName).hasMatch(); });
}

void FilePatternProxy::SetPatterns(const QString& patterns) {
    patterns_ = FilePatterns(patterns);
    invalidateFilter();
}

void FilePatternProxy::setSourceModel(QAbstractItemModel* model) {
    // Qt's own matching would hide what it does not match; have it only mark those files, and
    // decide here which to show.
    if (auto* files = qobject_cast<QFileSystemModel*>(model))
        files->setNameFilterDisables(true);
    QSortFilterProxyModel::setSourceModel(model);
}

Qt::ItemFlags FilePatternProxy::flags(const QModelIndex& index) const {
    // Every file shown matches the patterns, whatever Qt's matching made of it.
    Qt::ItemFlags flags = QSortFilterProxyModel::flags(index);
    return index.isValid() ? flags | Qt::ItemIsEnabled | Qt::ItemIsSelectable : flags;
}

bool FilePatternProxy::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const {
    const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
    if (files == nullptr)
        return true;
    const QModelIndex index = files->index(sourceRow, 0, sourceParent);
    return files->isDir(index) || patterns_.Matches(files->fileName(index));
}

TOpenDialog::TOpenDialog(QWidget* parent)
    : QFileDialog(parent), proxy_(new FilePatternProxy(this)) {
    setOption(QFileDialog::DontUseNativeDialog, true);
    // A viewer has no business renaming or deleting files from its open dialog.
    setOption(QFileDialog::ReadOnly, true);
    setAcceptMode(QFileDialog::AcceptOpen);
    // A typed name is accepted even if no such file exists; opening it then reports the error.
    setFileMode(QFileDialog::AnyFile);
    setProxyModel(proxy_);
    connect(this, &QFileDialog::filterSelected, this, [this](const QString& description) {
        const auto entry =
            std::find_if(entries_.begin(), entries_.end(),
                         [&](const FilterEntry& e) { return e.description == description; });
        if (entry != entries_.end())
            proxy_->SetPatterns(entry->patterns);
    });
}

void TOpenDialog::SetFilter(std::string_view filter) {
    entries_ = ParseFilter(filter);
    QStringList names;
    for (const FilterEntry& entry : entries_)
        names.push_back(entry.description);
    setNameFilters(names);
    UseEntry(filterIndex_);
}

void TOpenDialog::UseEntry(int index) {
    if (entries_.empty())
        return;
    const auto position =
        static_cast<std::size_t>(std::clamp(index, 1, static_cast<int>(entries_.size())) - 1);
    selectNameFilter(entries_[position].description);
    proxy_->SetPatterns(entries_[position].patterns);
}

bool TOpenDialog::Execute() {
    UseEntry(filterIndex_);
    selectFile(fileName_);
    const ModalScope modal;
    if (exec() != QDialog::Accepted)
        return false;
    const QStringList chosen = selectedFiles();
    if (chosen.isEmpty())
        return false;
    fileName_ = chosen.front();
    const QString entry = selectedNameFilter();
    const auto found = std::find_if(entries_.begin(), entries_.end(),
                                    [&](const FilterEntry& e) { return e.description == entry; });
    if (found != entries_.end())
        filterIndex_ = static_cast<int>(found - entries_.begin()) + 1;
    return true;
}

std::string TOpenDialog::FileName() const {
    return QFile::encodeName(fileName_).toStdString();
}

} // namespace qel::platform
