// The items of an outline view: a read-only item model that reads the outline store directly, one
// column, one model row per item, with no copy of the captions.
#pragma once

#include "tree_nodes.h"

#include <QAbstractItemModel>

namespace qel::platform {

class TTreeNodesModel final : public QAbstractItemModel {
public:
    explicit TTreeNodesModel(QObject* parent = nullptr);

    [[nodiscard]] const qel::TTreeNodes& Items() const noexcept { return items_; }

    // Gives write access to the items between the begin and the end of a model reset, so that
    // attached views stay consistent however the change ends, an exception included.
    class Change {
    public:
        explicit Change(TTreeNodesModel& model);
        ~Change();
        Change(const Change&) = delete;
        Change& operator=(const Change&) = delete;

        [[nodiscard]] qel::TTreeNodes& Items() const noexcept { return model_.items_; }

    private:
        TTreeNodesModel& model_;
    };

    [[nodiscard]] QModelIndex IndexOf(qel::TTreeNode node) const;
    [[nodiscard]] static qel::TTreeNode NodeOf(const QModelIndex& index) noexcept;

    [[nodiscard]] QModelIndex index(int row, int column,
                                    const QModelIndex& parent = {}) const override;
    [[nodiscard]] QModelIndex parent(const QModelIndex& child) const override;
    [[nodiscard]] QModelIndex sibling(int row, int column, const QModelIndex& idx) const override;
    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] bool hasChildren(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
    [[nodiscard]] Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    [[nodiscard]] qel::TTreeNode ParentNode(const QModelIndex& parent) const noexcept {
        return parent.isValid() ? NodeOf(parent) : qel::kNoNode;
    }

    qel::TTreeNodes items_;
};

} // namespace qel::platform
