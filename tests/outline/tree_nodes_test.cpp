#include "outline_text.h"
#include "tree_nodes.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <string_view>

namespace {

TEST(TreeNodesTest, ChildrenKeepTheirOrderWhateverOrderTheyWereAddedIn) {
    const auto content = qel::Content::FromBytes("rootABCDxy");
    const std::string_view text = content->Bytes();
    qel::TTreeNodes nodes;
    nodes.ShareContent(content);
    const qel::TTreeNode root = nodes.Add(text.substr(0, 4));
    const qel::TTreeNode a = nodes.AddChild(root, text.substr(4, 1));
    const qel::TTreeNode b = nodes.AddChild(root, text.substr(5, 1));
    const qel::TTreeNode c = nodes.AddChild(a, text.substr(6, 1));
    // An item added under an earlier sibling after later ones exist: not in pre-order.
    const qel::TTreeNode d = nodes.AddChild(a, text.substr(7, 1));
    const qel::TTreeNode x = nodes.AddChild(b, text.substr(8, 1));
    const qel::TTreeNode second = nodes.Add(text.substr(9, 1));

    EXPECT_EQ(nodes.Count(), 7u);
    EXPECT_EQ(qel::test::OutlineText(nodes), "root\n  A\n    C\n    D\n  B\n    x\ny\n");
    for (const qel::TTreeNode node : {a, b, c, d, x, second}) {
        const qel::TTreeNode parent = nodes.Parent(node);
        EXPECT_EQ(nodes.Child(parent, nodes.Row(node)), node);
    }
    EXPECT_EQ(nodes.Parent(root), qel::kNoNode);
    EXPECT_EQ(nodes.ChildCount(qel::kNoNode), 2u);
    EXPECT_EQ(nodes.Row(second), 1u);

    // Adding after a lookup is seen by the next lookup.
    const qel::TTreeNode e = nodes.AddChild(b, text.substr(0, 1));
    EXPECT_EQ(nodes.Child(b, 1), e);
    EXPECT_EQ(nodes.Child(root, 1), b);
}

TEST(TreeNodesTest, ClearEmptiesAndLetsGoOfTheContent) {
    auto content = qel::Content::FromBytes("abc");
    const std::weak_ptr<const qel::Content> watch = content;
    qel::TTreeNodes nodes;
    nodes.ShareContent(std::move(content));
    nodes.Add(watch.lock()->Bytes());
    nodes.Clear();
    EXPECT_EQ(nodes.Count(), 0u);
    EXPECT_EQ(nodes.ChildCount(qel::kNoNode), 0u);
    EXPECT_TRUE(watch.expired());
}

TEST(TreeNodesTest, RejectsCaptionsOutsideTheContentAndUnknownParents) {
    const auto content = qel::Content::FromBytes("abc");
    qel::TTreeNodes nodes;
    nodes.ShareContent(content);
    const std::string elsewhere = "abc";
    EXPECT_THROW(nodes.Add(elsewhere), std::logic_error);
    EXPECT_THROW(nodes.AddChild(0, content->Bytes()), std::logic_error);
    EXPECT_EQ(nodes.Count(), 0u);
}

TEST(TreeNodesTest, ManyChildrenAcrossBlocksStayInOrder) {
    std::string bytes(200000, 'x');
    const auto content = qel::Content::FromBytes(bytes);
    qel::TTreeNodes nodes;
    nodes.ShareContent(content);
    const qel::TTreeNode root = nodes.Add(content->Bytes().substr(0, 0));
    for (std::size_t i = 1; i < 200000; ++i)
        nodes.AddChild(root, content->Bytes().substr(i, 1));
    ASSERT_EQ(nodes.ChildCount(root), 199999u);
    for (std::size_t row = 0; row < nodes.ChildCount(root); row += 9973) {
        const qel::TTreeNode child = nodes.Child(root, row);
        EXPECT_EQ(child, row + 1);
        EXPECT_EQ(nodes.Caption(child).data(), content->Bytes().data() + row + 1);
    }
}

} // namespace
