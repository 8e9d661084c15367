#include "data/DataSetModel.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <stdexcept>
#include <vector>

#include "data/MConnect.h"
#include "tests/data/FakeAppServer.h"
#include "tests/support/TestRoot.h"

namespace kvt::data {
namespace {

using appserver::FieldType;

class DataSetModelTest : public test::FreshRoot {
protected:
    void SetUp() override {
        FreshRoot::SetUp();
        test::FakeTable operations{{{"ID", FieldType::Integer, 0},
                                    {"Name", FieldType::String, 20},
                                    {"Secret", FieldType::String, 10},
                                    {"Op", FieldType::SmallInt, 0},
                                    {"Liters", FieldType::Float, 0}},
                                   {}};
        const char* names[] = {"Дизель", "бензин", "Аи-92", "Газ", "Аи-95"};
        for (int i = 0; i < 5; ++i)
            operations.rows.push_back({Variant(i + 1), Variant(names[i]), Variant("x"),
                                       Variant::i2(static_cast<std::int16_t>(i % 2)),
                                       Variant(10.5 * (i + 1))});
        test::FakeTable other{{{"Code", FieldType::String, 4}}, {{Variant("A")}, {Variant("B")}}};
        server.ServerFactory = [operations, other] {
            return std::make_unique<test::FakeAppServer>(
                std::map<std::string, test::FakeTable>{{"Ops", operations}, {"Other", other}},
                std::make_shared<test::FakeLog>());
        };
        set.ProviderName = "Ops";
        set.SetRemoteServer(&server);
        set.AddField({"ID", FieldType::Integer, 0});
        Field& name = set.AddField({"Name", FieldType::String, 20});
        name.DisplayLabel = "Наименование";
        set.AddField({"Secret", FieldType::String, 10}).Visible = false;
        Field& op = set.AddField({"Op", FieldType::SmallInt, 0});
        op.DisplayLabel = "Операция";
        op.Alignment = FieldAlignment::Center;
        op.DisplayWidth = 12;
        op.OnGetText = [](const Field& field, std::string& text, bool) {
            text = field.AsInteger() == 0 ? "Отпуск" : "Возврат";
        };
        set.AddField({"Liters", FieldType::Float, 0}).DisplayFormat = "0.00";
        set.Open();
    }

    std::string cell(const DataSetModel& model, int row, int column) {
        return model.data(model.index(row, column)).toString().toStdString();
    }

    KVTServer server;
    ClientDataSet set{"Ops"};
    DataSource source{"OpsSource", &set};
};

TEST_F(DataSetModelTest, VisibleFieldsBecomeColumnsWithTheirLabels) {
    const DataSetModel model(source);
    ASSERT_EQ(model.columnCount(), 4);
    EXPECT_EQ(model.rowCount(), 5);
    const std::vector<std::string> headers{"ID", "Наименование", "Операция", "Liters"};
    for (int column = 0; column < 4; ++column)
        EXPECT_EQ(model.headerData(column, Qt::Horizontal).toString().toStdString(),
                  headers[column]);
    EXPECT_EQ(model.fieldAt(2), &set.FieldByName("Op"));
    EXPECT_EQ(model.fieldAt(4), nullptr);
}

TEST_F(DataSetModelTest, CellsShowTheFieldsDisplayText) {
    const DataSetModel model(source);
    EXPECT_EQ(cell(model, 0, 1), "Дизель");
    EXPECT_EQ(cell(model, 0, 2), "Отпуск");
    EXPECT_EQ(cell(model, 1, 2), "Возврат");
    EXPECT_EQ(cell(model, 1, 3), "21,00");
    // Reading cells leaves the dataset where it was.
    EXPECT_EQ(set.RecNo(), 1);
}

// A handler reads the other fields of the dataset as the pump log's time column does; while a
// row is painted, that row is the dataset's current record.
TEST_F(DataSetModelTest, GetTextHandlersSeeThePaintedRowAsCurrent) {
    Field& op = set.FieldByName("Op");
    set.FieldByName("Name").OnGetText = [&op](const Field& field, std::string& text, bool) {
        text = op.AsInteger() == 0 ? field.AsString() : "";
    };
    set.FieldByName("ID").OnGetText = [](const Field&, std::string&, bool) {
        throw std::runtime_error("broken handler");
    };
    const DataSetModel model(source);
    EXPECT_EQ(cell(model, 0, 1), "Дизель");
    EXPECT_EQ(cell(model, 1, 1), "");
    EXPECT_EQ(cell(model, 2, 1), "Аи-92");
    EXPECT_EQ(cell(model, 3, 0), "");
    EXPECT_EQ(set.RecNo(), 1);
    EXPECT_EQ(op.AsInteger(), 0);
}

TEST_F(DataSetModelTest, AlignmentAndWidthOfColumns) {
    const DataSetModel model(source);
    const auto alignment = [&](int column) {
        return model.data(model.index(0, column), Qt::TextAlignmentRole).value<Qt::Alignment>();
    };
    EXPECT_EQ(alignment(0), Qt::AlignRight | Qt::AlignVCenter);
    EXPECT_EQ(alignment(1), Qt::AlignLeft | Qt::AlignVCenter);
    EXPECT_EQ(alignment(2), Qt::AlignHCenter | Qt::AlignVCenter);
    EXPECT_EQ(model.headerData(2, Qt::Horizontal, DataSetModel::DisplayWidthRole).toInt(), 12);
    EXPECT_EQ(model.headerData(1, Qt::Horizontal, DataSetModel::DisplayWidthRole).toInt(),
              set.FieldByName("Name").EffectiveDisplayWidth());
}

TEST_F(DataSetModelTest, RowsFollowFilterAndOrder) {
    DataSetModel model(source);
    int resets = 0;
    QObject::connect(&model, &QAbstractItemModel::modelReset, [&] { ++resets; });
    set.SetIndexFieldNames("Name");
    EXPECT_EQ(cell(model, 0, 1), "Аи-92");
    EXPECT_EQ(cell(model, 4, 1), "Дизель");
    set.SetFilter("Op = 1");
    set.SetFiltered(true);
    EXPECT_EQ(model.rowCount(), 2);
    set.Close();
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.columnCount(), 0);
    EXPECT_GE(resets, 3);
}

TEST_F(DataSetModelTest, SelectionAsBookmarksInRecordOrder) {
    const DataSetModel model(source);
    const QModelIndexList selected{model.index(3, 0), model.index(1, 2), model.index(3, 1),
                                   model.index(0, 0)};
    const std::vector<Bookmark> bookmarks = model.bookmarksOf(selected);
    ASSERT_EQ(bookmarks.size(), 3u);
    std::vector<int> ids;
    for (const Bookmark& bookmark : bookmarks) {
        set.GotoBookmark(bookmark);
        ids.push_back(set.FieldByName("ID").AsInteger());
    }
    EXPECT_EQ(ids, (std::vector<int>{1, 2, 4}));
    EXPECT_EQ(model.rowOf(bookmarks[2]), 3);
    EXPECT_TRUE(model.bookmarksOf(std::vector<int>{7, -1}).empty());
    EXPECT_EQ(model.rowOf(Bookmark{}), -1);
}

TEST_F(DataSetModelTest, CurrentRowIsTheDataSetsCursor) {
    DataSetModel model(source);
    std::vector<int> changedRows;
    QObject::connect(
        &model, &QAbstractItemModel::dataChanged,
        [&](const QModelIndex& from, const QModelIndex&) { changedRows.push_back(from.row()); });
    EXPECT_EQ(model.currentRow(), 0);
    model.setCurrentRow(3);
    EXPECT_EQ(set.RecNo(), 4);
    EXPECT_EQ(model.currentRow(), 3);
    EXPECT_EQ(changedRows, (std::vector<int>{0, 3}));
    EXPECT_TRUE(model.data(model.index(3, 0), DataSetModel::CurrentRowRole).toBool());
    set.First();
    EXPECT_EQ(model.currentRow(), 0);
}

TEST_F(DataSetModelTest, SwitchingTheSourcesDataSetShowsTheOther) {
    DataSetModel model(source);
    ClientDataSet other("Other");
    other.ProviderName = "Other";
    other.SetRemoteServer(&server);
    other.Open();
    source.SetDataSet(&other);
    ASSERT_EQ(model.columnCount(), 1);
    EXPECT_EQ(model.rowCount(), 2);
    EXPECT_EQ(cell(model, 1, 0), "B");
    source.SetDataSet(nullptr);
    EXPECT_EQ(model.rowCount(), 0);
}

}  // namespace
}  // namespace kvt::data
