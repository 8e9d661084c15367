#include "host/kit/DialogScript.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

#include <cstdlib>
#include <functional>
#include <map>

#include "data/DataSetModel.h"
#include "data/MConnect.h"
#include "support/WidgetApplication.h"
#include "tests/data/FakeAppServer.h"
#include "tests/support/TestRoot.h"

namespace kvt::forms {

// A form with one component of every kind the scripts act on.
class TProbeFrm : public QDialog {
    Q_OBJECT
public:
    TProbeFrm() {
        setWindowTitle("Проба");
        new QVBoxLayout(this);
        add<QLineEdit>("edName");
        add<QSpinBox>("edScale")->setRange(20, 500);
        auto* date = add<QDateEdit>("BegDate");
        date->setDisplayFormat("dd.MM.yyyy");
        date->setDate(QDate(2024, 1, 1));
        add<QLineEdit>("BegTimeEdit")->setInputMask("99:99;_");
        connect(add<QCheckBox>("cBcPrint"), &QCheckBox::clicked, this, [this] { ++printClicks; });
        auto* combo = add<QComboBox>("ComboBox1");
        combo->addItems({"Все", "АИ-92", "ДТ"});
        connect(combo, &QComboBox::activated, this, [this](int index) { activated = index; });
        auto* orientation = add<QGroupBox>("rgOrientation");
        auto* radios = new QVBoxLayout(orientation);
        radios->addWidget(new QRadioButton("Книжная", orientation));
        radios->addWidget(new QRadioButton("Альбомная", orientation));
        add<QListWidget>("lbKinds")->addItems({"x", "y", "z"});
        addGrid();
        add<QPushButton>("btnHidden")->hide();
        add<QPushButton>("btnOff")->setEnabled(false);
        connect(add<QPushButton>("btnOK"), &QPushButton::clicked, this, &QDialog::accept);
        connect(add<QPushButton>("btnAsk"), &QPushButton::clicked, this,
                [this] { answer = QMessageBox::question(this, "Вопрос", "Продолжить?"); });
        connect(add<QPushButton>("btnNested"), &QPushButton::clicked, this, &TProbeFrm::nested);
        connect(add<QPushButton>("btnPumps"), &QPushButton::clicked, this, &TProbeFrm::addPumps);
        auto* help = new QAction(this);
        help->setObjectName("acHelp");
        help->setShortcut(QKeySequence(Qt::Key_F4));
        addAction(help);
        connect(help, &QAction::triggered, this, [this] { ++helpRuns; });
    }

    template <class Widget>
    Widget* add(const char* name) {
        auto* widget = new Widget(this);
        widget->setObjectName(name);
        layout()->addWidget(widget);
        return widget;
    }
    template <class Widget>
    Widget& get(const char* name) {
        return *findChild<Widget*>(name);
    }
    QList<int> selectedRows() {
        QList<int> rows;
        for (const QModelIndex& index : get<QTableView>("DBGrid1").selectionModel()->selectedRows())
            rows.append(index.row());
        std::sort(rows.begin(), rows.end());
        return rows;
    }
    int currentRow() { return get<QTableView>("DBGrid1").currentIndex().row(); }

    int printClicks = 0;
    int activated = -1;
    int helpRuns = 0;
    QKeyCombination lastKey{Qt::Key_unknown};
    QMessageBox::StandardButton answer = QMessageBox::NoButton;
    int nestedResult = -1;
    QString nestedText;
    QStringList pumpsChosen;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        lastKey = event->keyCombination();
        QDialog::keyPressEvent(event);
    }

private:
    void addGrid() {
        auto* model = new QStandardItemModel(0, 2, this);
        model->setHorizontalHeaderLabels({"Смена", "Name"});
        model->setHeaderData(0, Qt::Horizontal, "SmNum", Qt::UserRole + 3);
        for (const auto& [number, name] : {std::pair{12, "a"}, {13, "b"}, {15, "c"}}) {
            auto* shift = new QStandardItem;
            shift->setData(number, Qt::EditRole);
            model->appendRow({shift, new QStandardItem(name)});
        }
        auto* grid = add<QTableView>("DBGrid1");
        grid->setModel(model);
        grid->setSelectionBehavior(QAbstractItemView::SelectRows);
        grid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    }
    void nested();
    // Toggle buttons made while the form shows, as the shift list makes its pump buttons.
    void addPumps() {
        for (const char* pump : {"1", "2", "3"}) {
            auto* button = add<QPushButton>(QByteArray("TrkBtn").append(pump).constData());
            button->setText(pump);
            button->setCheckable(true);
            button->setAutoExclusive(true);
            button->show();
            connect(button, &QPushButton::clicked, this, [this, button] {
                if (button->isChecked())
                    pumpsChosen.append(button->text());
            });
        }
    }
};

class TNestedFrm : public QDialog {
    Q_OBJECT
public:
    explicit TNestedFrm(QWidget* parent) : QDialog(parent) {
        setWindowTitle("Вложенная");
        (new QLineEdit(this))->setObjectName("edText");
    }
};

void TProbeFrm::nested() {
    TNestedFrm form(this);
    nestedResult = form.exec();
    nestedText = form.findChild<QLineEdit*>("edText")->text();
}

// Grouping boxes placed by hand, as the statement dialog places them, that record the mouse
// events they get; a right-button move of more than 20 pixels swaps their tops, as the dialog
// does. Its payment box is made when it is first shown.
class GroupingBox : public QCheckBox {
public:
    struct Seen {
        QEvent::Type type;
        Qt::MouseButton button;
        Qt::MouseButtons buttons;
        Qt::KeyboardModifiers modifiers;
        QPoint pos;
        bool operator==(const Seen&) const = default;
    };

    GroupingBox(const char* name, int top, QWidget* parent) : QCheckBox(name, parent) {
        setObjectName(name);
        setGeometry(10, top, 150, 17);
    }

    std::vector<Seen> seen;
    std::function<void()> onLongRightMove;

protected:
    void mousePressEvent(QMouseEvent* event) override {
        record(*event);
        pressY_ = event->position().toPoint().y();
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        record(*event);
        if (event->buttons() == Qt::RightButton &&
            std::abs(event->position().toPoint().y() - pressY_) > 20)
            onLongRightMove();
    }
    void mouseReleaseEvent(QMouseEvent* event) override { record(*event); }

private:
    void record(const QMouseEvent& event) {
        seen.push_back({event.type(), event.button(), event.buttons(), event.modifiers(),
                        event.position().toPoint()});
    }

    int pressY_ = 0;
};

class TGroupingFrm : public QDialog {
    Q_OBJECT
public:
    TGroupingFrm() {
        resize(300, 200);
        for (auto* box : {&driver, &car})
            box->onLongRightMove = [this] {
                const int top = driver.y();
                driver.move(driver.x(), car.y());
                car.move(car.x(), top);
            };
    }

    GroupingBox driver{"chbDriver", 20, this};
    GroupingBox car{"chbAuto", 45, this};

protected:
    void showEvent(QShowEvent* event) override {
        if (findChild<QCheckBox*>("PayType4") == nullptr) {
            auto* payment = new QCheckBox("Ведомость", this);
            payment->setObjectName("PayType4");
            payment->setGeometry(10, 100, 150, 17);
            payment->show();
        }
        QDialog::showEvent(event);
    }
};

}  // namespace kvt::forms

namespace kvt::host {
namespace {

using forms::TGroupingFrm;
using forms::TProbeFrm;
using Seen = forms::GroupingBox::Seen;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

class DialogScriptTest : public ::testing::Test {
protected:
    std::unique_ptr<DialogScript> script(const std::string& json) {
        return std::make_unique<DialogScript>(
            DialogScript::parse(json), [this](const std::string& line) { events.push_back(line); });
    }

    std::vector<std::string> events;
};

TEST_F(DialogScriptTest, EveryActionKindWorksOnItsComponent) {
    TProbeFrm form;
    const auto driver = script(R"([{"form": "TProbeFrm", "do": [
        {"set": {"edName": "Иванов", "edScale": 150, "BegDate": "07.12.2026",
                 "BegTimeEdit": "0830"}},
        {"check": {"cBcPrint": true}}, {"check": {"cBcPrint": true}},
        {"select": {"ComboBox1": 2, "rgOrientation": 1, "lbKinds": 1}},
        {"key": "F4"}, {"key": "Ctrl+E"},
        {"close": 5}]}])");
    EXPECT_EQ(form.exec(), 5);

    EXPECT_THAT(events, ElementsAre("Shown TProbeFrm \"Проба\""));
    EXPECT_EQ(form.get<QLineEdit>("edName").text(), "Иванов");
    EXPECT_EQ(form.get<QSpinBox>("edScale").value(), 150);
    EXPECT_EQ(form.get<QDateEdit>("BegDate").date(), QDate(2026, 12, 7));
    EXPECT_EQ(form.get<QLineEdit>("BegTimeEdit").text(), "08:30");  // the mask places ':'
    EXPECT_TRUE(form.get<QCheckBox>("cBcPrint").isChecked());
    EXPECT_EQ(form.printClicks, 1);  // already ticked the second time
    EXPECT_EQ(form.get<QComboBox>("ComboBox1").currentIndex(), 2);
    EXPECT_EQ(form.activated, 2);
    EXPECT_TRUE(form.get<QGroupBox>("rgOrientation").findChildren<QRadioButton*>()[1]->isChecked());
    EXPECT_EQ(form.get<QListWidget>("lbKinds").currentRow(), 1);
    EXPECT_EQ(form.helpRuns, 1);
    EXPECT_EQ(form.lastKey, QKeyCombination(Qt::ControlModifier, Qt::Key_E));
    EXPECT_EQ(driver->remainingSteps(), 0u);
}

TEST_F(DialogScriptTest, ButtonsMadeWhileTheFormShowsAreClickedAndToggle) {
    TProbeFrm form;
    const auto driver = script(R"([{"form": "TProbeFrm", "do": [
        {"click": "btnPumps"}, {"click": "TrkBtn2"}, {"click": "TrkBtn3"}, {"click": "TrkBtn3"},
        {"close": "ok"}]}])");
    EXPECT_EQ(form.exec(), QDialog::Accepted);
    EXPECT_THAT(events, ElementsAre("Shown TProbeFrm \"Проба\""));
    EXPECT_THAT(form.pumpsChosen, ElementsAre("2", "3", "3"));  // a pressed one stays down
    EXPECT_FALSE(form.get<QPushButton>("TrkBtn2").isChecked());
    EXPECT_TRUE(form.get<QPushButton>("TrkBtn3").isChecked());
}

TEST_F(DialogScriptTest, ListsAreReportedAsTheyShow) {
    const std::vector<std::pair<std::string, std::vector<std::string>>> cases{
        {R"({"list": "ComboBox1"})", {R"(List ComboBox1 "Все" "АИ-92" "ДТ")"}},
        {R"({"list": {"lbKinds": 2}})", {R"(List lbKinds "x" "y")"}},
        {R"({"list": {"ComboBox1": 0}})", {"List ComboBox1"}},
        {R"({"list": "DBGrid1"})",
         {R"(Columns DBGrid1 "Смена" "Name")", R"(Row DBGrid1 1 "12" "a")",
          R"(Row DBGrid1 2 "13" "b")", R"(Row DBGrid1 3 "15" "c \"в кавычках\"")"}},
        {R"({"list": {"DBGrid1": 1, "lbKinds": 9}})",
         {R"(Columns DBGrid1 "Смена" "Name")", R"(Row DBGrid1 1 "12" "a")",
          R"(List lbKinds "x" "y" "z")"}},
    };
    for (const auto& [action, lines] : cases) {
        events.clear();
        TProbeFrm form;
        auto* names = qobject_cast<QStandardItemModel*>(form.get<QTableView>("DBGrid1").model());
        names->item(2, 1)->setText("c \"в кавычках\"");
        const auto driver =
            script(R"([{"form": "TProbeFrm", "do": [)" + action + R"(, {"close": "ok"}]}])");
        EXPECT_EQ(form.exec(), QDialog::Accepted) << action;
        std::vector<std::string> expected{"Shown TProbeFrm \"Проба\""};
        expected.insert(expected.end(), lines.begin(), lines.end());
        EXPECT_EQ(events, expected) << action;
    }
}

TEST_F(DialogScriptTest, AGridListsItsShownColumnsInTheirOrderAndItsShownRows) {
    TProbeFrm form;
    auto& grid = form.get<QTableView>("DBGrid1");
    grid.horizontalHeader()->moveSection(1, 0);
    grid.setRowHidden(1, true);
    const auto driver = script(R"([
        {"form": "TProbeFrm", "do": [{"list": {"DBGrid1": 2}}, {"close": "ok"}]},
        {"form": "TProbeFrm", "do": [{"list": {"DBGrid1": 1}}, {"close": "ok"}]}])");
    form.exec();
    grid.setColumnHidden(0, true);
    form.exec();
    EXPECT_THAT(events,
                ElementsAre("Shown TProbeFrm \"Проба\"", R"(Columns DBGrid1 "Name" "Смена")",
                            R"(Row DBGrid1 1 "a" "12")", R"(Row DBGrid1 3 "c" "15")",
                            "Shown TProbeFrm \"Проба\"", R"(Columns DBGrid1 "Name")",
                            R"(Row DBGrid1 1 "a")"));
}

// The shift list is shown once per pick; each showing takes its own step.
TEST_F(DialogScriptTest, GridRowsAreFoundByFieldNameOrColumnTitle) {
    TProbeFrm form;
    const auto driver = script(R"([
        {"form": "TProbeFrm", "do": [
            {"selectRows": {"DBGrid1": {"field": "SmNum", "values": [15, 12]}}}, {"close": "ok"}]},
        {"form": "TProbeFrm", "do": [
            {"current": {"DBGrid1": {"field": "Name", "value": "b"}}}, {"close": "cancel"}]}])");
    EXPECT_EQ(form.exec(), QDialog::Accepted);
    EXPECT_THAT(form.selectedRows(), ElementsAre(0, 2));
    EXPECT_EQ(form.currentRow(), 0);  // the last value given

    EXPECT_EQ(form.exec(), QDialog::Rejected);
    EXPECT_THAT(form.selectedRows(), ElementsAre(1));
    EXPECT_EQ(form.currentRow(), 1);
    EXPECT_THAT(events, ElementsAre("Shown TProbeFrm \"Проба\"", "Shown TProbeFrm \"Проба\""));
}

TEST_F(DialogScriptTest, MessageBoxesAreAnsweredAndFormsOpenedByAClickTakeTheNextStep) {
    TProbeFrm form;
    const auto driver = script(R"([
        {"form": "TProbeFrm", "do": [{"click": "btnAsk"}, {"click": "btnNested"}, {"click": "btnOK"}]},
        {"form": "TNestedFrm", "do": [{"set": {"edText": "x"}}, {"close": "ok"}]}])");
    EXPECT_EQ(form.exec(), QDialog::Accepted);
    EXPECT_EQ(form.answer, QMessageBox::Yes);
    EXPECT_EQ(form.nestedResult, QDialog::Accepted);
    EXPECT_EQ(form.nestedText, "x");
    EXPECT_THAT(events,
                ElementsAre("Shown TProbeFrm \"Проба\"", "MessageBox \"Вопрос\" \"Продолжить?\"",
                            "Shown TNestedFrm \"Вложенная\""));
}

TEST_F(DialogScriptTest, FormsBeyondTheScriptOrOfAnotherClassAreCancelled) {
    {
        TProbeFrm form;
        const auto driver = script("[]");
        EXPECT_EQ(form.exec(), QDialog::Rejected);
        driver->finish();
    }
    {
        TProbeFrm form;
        const auto driver = script(R"([{"form": "TSmenaListFrm"}, {"form": "TProbeFrm"}])");
        EXPECT_EQ(form.exec(), QDialog::Rejected);
        EXPECT_EQ(form.exec(), QDialog::Rejected);  // the rest of the script is dropped
        driver->finish();
    }
    {
        const auto driver = script(R"([{"form": "TProbeFrm"}, {"form": "TRptFrm"}])");
        driver->finish();
    }
    EXPECT_THAT(
        events,
        ElementsAre("Shown TProbeFrm \"Проба\"", "Cancelled TProbeFrm", "Shown TProbeFrm \"Проба\"",
                    "Error \"Шаг 1 сценария форм ждет форму TSmenaListFrm, а не TProbeFrm\"",
                    "Cancelled TProbeFrm", "Shown TProbeFrm \"Проба\"", "Cancelled TProbeFrm",
                    "Error \"Шаг 1 (TProbeFrm) сценария форм не дождался своей формы\""));
}

TEST_F(DialogScriptTest, AnActionTheFormCannotTakeIsAnErrorAndEndsTheScript) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {R"({"click": "btnNone"})", R"(на форме TProbeFrm нет компонента \"btnNone\")"},
        {R"({"click": "btnHidden"})", R"(компонент \"btnHidden\" скрыт)"},
        {R"({"click": "btnOff"})", R"(компонент \"btnOff\" недоступен)"},
        {R"({"check": {"edName": true}})", R"(компонент \"edName\" не является флажком)"},
        {R"({"set": {"cBcPrint": "x"}})", R"(компонент \"cBcPrint\" не принимает текст)"},
        {R"({"set": {"BegDate": "1.3.2024"}})",
         R"(компонент \"BegDate\" не принимает текст \"1.3.2024\" в формате dd.MM.yyyy)"},
        {R"({"set": {"BegTimeEdit": "ab:cd"}})",
         R"(компонент \"BegTimeEdit\" не принимает текст \"ab:cd\")"},
        {R"({"select": {"ComboBox1": 3}})", R"(компонент \"ComboBox1\" не содержит пункта 3)"},
        {R"({"selectRows": {"DBGrid1": {"field": "SmNum", "values": [14]}}})",
         R"(компонент \"DBGrid1\" не содержит строки, где SmNum = \"14\")"},
        {R"({"current": {"DBGrid1": {"field": "Liters", "value": 1}}})",
         R"(компонент \"DBGrid1\" не содержит столбца \"Liters\")"},
        {R"({"click": "btnOK"}, {"close": "ok"})", "форма закрылась до действия 2"},
        {R"({"list": "btnOK"})", R"(компонент \"btnOK\" не показывает списка)"},
        {R"({"list": {"btnHidden": 1}})", R"(компонент \"btnHidden\" скрыт)"},
    };
    for (const auto& [action, message] : cases) {
        events.clear();
        TProbeFrm form;
        const auto driver =
            script(R"([{"form": "TProbeFrm", "do": [)" + action + R"(]}, {"form": "TProbeFrm"}])");
        form.exec();
        form.exec();
        driver->finish();
        ASSERT_GE(events.size(), 2u) << action;
        EXPECT_EQ(events[1], "Error \"Шаг 1 (TProbeFrm): " + message + "\"") << action;
        EXPECT_EQ(events.back(), "Cancelled TProbeFrm") << action;
        EXPECT_EQ(driver->remainingSteps(), 0u) << action;
    }
}

TEST_F(DialogScriptTest, ScriptsAreCheckedWhenRead) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {"[{", "Сценарий форм не является правильным JSON"},
        {"{}", "Сценарий форм должен быть массивом шагов JSON"},
        {R"([{"do": []}])", R"(шаг 1: "form" должен быть непустым текстом)"},
        {R"([{"form": "X", "todo": []}])", R"(шаг 1: неизвестный ключ "todo")"},
        {R"([{"form": "X", "do": [{"click": "a"}, {"press": "a"}]}])",
         R"(шаг 1, действие 2: неизвестное действие "press")"},
        {R"([{"form": "X", "do": [{"click": "a", "close": "ok"}]}])",
         "действие 1: действие — объект ровно с одним ключом"},
        {R"([{"form": "X", "do": [{"key": "Ctrl+Nope"}]}])", R"(неизвестная клавиша "Ctrl+Nope")"},
        {R"([{"form": "X", "do": [{"close": "maybe"}]}])", R"("close" принимает "ok", "cancel")"},
        {R"([{"form": "X", "do": [{"select": {"rg": -1}}]}])",
         R"("select" принимает номер пункта)"},
        {R"([{"form": "X", "do": [{"list": {"G": 1.5}}]}])", R"("list" принимает число строк)"},
        {R"([{"form": "X", "do": [{"list": 3}]}])",
         R"("list" принимает объект с именами компонентов)"},
        {R"([{"form": "X", "do": [{"selectRows": {"G": {"field": "F"}}}]}])",
         R"("selectRows" принимает {"field": F, "values": [V, ...]} для "G")"},
        {R"([{"form": "X", "do": [{"check": {"L": {"item": -1, "checked": true}}}]}])",
         R"("check" принимает true, false или {"item": I, "checked": B} для "L")"},
        {R"([{"form": "X", "do": [{"check": {"L": {"item": 0, "row": 1}}}]}])",
         R"(у "check" нет ключа "row")"},
        {R"([{"form": "X", "do": [{"drag": {"chb": 5}}]}])",
         R"("drag" принимает {"button": B, "dx": X, "dy": Y, "modifiers": [M, ...]} для "chb")"},
        {R"([{"form": "X", "do": [{"drag": {"chb": {"button": "fourth"}}}]}])",
         R"(неизвестная кнопка мыши, допустимы "left", "right", "middle")"},
        {R"([{"form": "X", "do": [{"drag": {"chb": {"modifiers": ["hyper"]}}}]}])",
         R"(неизвестная клавиша-модификатор, допустимы "shift", "ctrl", "alt", "meta")"},
    };
    for (const auto& [json, message] : cases) {
        try {
            DialogScript::parse(json);
            ADD_FAILURE() << json;
        } catch (const DialogScriptError& error) {
            EXPECT_THAT(error.what(), HasSubstr(message)) << json;
        }
    }
    const auto steps = DialogScript::parse(
        R"([{"form": "X", "do": [{"selectRows": {"G": {"field": "F", "values": [12, 13.5, "7"]}}}]}])");
    EXPECT_EQ(std::get<action::SelectRows>(steps.at(0).actions.at(0)).values,
              QStringList({"12", "13.5", "7"}));
}

// A check list's items are ticked one by one, as clicks on their boxes tick them: the list
// tells of each change, and an item already in the wanted state is left alone.
TEST_F(DialogScriptTest, CheckListItemsAreTickedAndUntickedByIndex) {
    TProbeFrm form;
    auto& kinds = form.get<QListWidget>("lbKinds");
    for (int row = 0; row < kinds.count(); ++row)
        kinds.item(row)->setCheckState(row == 0 ? Qt::Checked : Qt::Unchecked);
    QStringList changed;
    QObject::connect(&kinds, &QListWidget::itemChanged,
                     [&changed](const QListWidgetItem* item) { changed << item->text(); });
    const auto driver = script(R"([{"form": "TProbeFrm", "do": [
        {"check": {"lbKinds": {"item": 2}}}, {"check": {"lbKinds": {"item": 0, "checked": false}}},
        {"check": {"lbKinds": {"item": 1, "checked": false}}}, {"close": "ok"}]}])");
    EXPECT_EQ(form.exec(), QDialog::Accepted);
    EXPECT_THAT(events, ElementsAre("Shown TProbeFrm \"Проба\""));
    EXPECT_EQ(kinds.item(0)->checkState(), Qt::Unchecked);
    EXPECT_EQ(kinds.item(1)->checkState(), Qt::Unchecked);
    EXPECT_EQ(kinds.item(2)->checkState(), Qt::Checked);
    EXPECT_EQ(changed, (QStringList{"z", "x"}));
}

TEST_F(DialogScriptTest, CheckListItemsTheOperatorCannotTickAreErrors) {
    const std::vector<std::pair<int, std::string>> cases{
        {3, R"(компонент \"lbKinds\" не содержит пункта 3)"},
        {1, R"(пункт 1 компонента \"lbKinds\" без флажка)"},
        {0, R"(пункт 0 компонента \"lbKinds\" недоступен)"},
    };
    for (const auto& [item, message] : cases) {
        events.clear();
        TProbeFrm form;
        QListWidgetItem& first = *form.get<QListWidget>("lbKinds").item(0);
        first.setCheckState(Qt::Unchecked);
        first.setFlags(first.flags() & ~Qt::ItemIsEnabled);
        const auto driver =
            script(R"([{"form": "TProbeFrm", "do": [{"check": {"lbKinds": {"item": )" +
                   std::to_string(item) + "}}}]}]");
        form.exec();
        ASSERT_GE(events.size(), 2u) << item;
        EXPECT_EQ(events[1], "Error \"Шаг 1 (TProbeFrm): " + message + "\"") << item;
    }
}

// A time of day that the date edit's format does not show is set through an ISO 8601 text.
TEST_F(DialogScriptTest, ADateEditTakesAnIsoDateTimeForTheTimeItDoesNotShow) {
    TProbeFrm form;
    const auto driver = script(R"([{"form": "TProbeFrm", "do": [
        {"set": {"BegDate": "2024-03-01T23:59:00"}}, {"close": "ok"}]}])");
    EXPECT_EQ(form.exec(), QDialog::Accepted);
    EXPECT_EQ(form.get<QDateEdit>("BegDate").dateTime(),
              QDateTime(QDate(2024, 3, 1), QTime(23, 59)));
}

// Where the pointer is seen from the box: a swap moves the box 25 pixels up under the pointer
// before the button is released.
TEST_F(DialogScriptTest, ADragPressesMovesAndReleasesTheButtonOnTheComponent) {
    const QPoint centre(74, 8);
    const QPoint above(74, -17);
    struct Case {
        std::string drag;
        Qt::MouseButton button;
        Qt::KeyboardModifiers modifiers;
        QPoint movedTo;
        QPoint releasedAt;
        bool swapped;
    };
    const std::vector<Case> cases{
        {R"({"button": "right", "dy": -25})", Qt::RightButton, {}, above, centre, true},
        {R"({"dy": -25})", Qt::LeftButton, {}, above, above, false},
        {R"({"button": "middle", "modifiers": ["shift", "ctrl"]})", Qt::MiddleButton,
         Qt::ShiftModifier | Qt::ControlModifier, centre, centre, false},
    };
    for (const auto& [drag, button, modifiers, movedTo, releasedAt, swapped] : cases) {
        TGroupingFrm form;
        const auto driver = script(R"([{"form": "TGroupingFrm", "do": [{"drag": {"chbAuto": )" +
                                   drag + R"(}}, {"close": "ok"}]}])");
        EXPECT_EQ(form.exec(), QDialog::Accepted) << drag;
        EXPECT_THAT(form.car.seen,
                    ElementsAre(Seen{QEvent::MouseButtonPress, button, button, modifiers, centre},
                                Seen{QEvent::MouseMove, Qt::NoButton, button, modifiers, movedTo},
                                Seen{QEvent::MouseButtonRelease, button, Qt::NoButton, modifiers,
                                     releasedAt}))
            << drag;
        EXPECT_EQ(form.car.y() < form.driver.y(), swapped) << drag;
    }
}

TEST_F(DialogScriptTest, BoxesMadeWhenTheFormShowsAreTicked) {
    TGroupingFrm form;
    const auto driver = script(
        R"([{"form": "TGroupingFrm", "do": [{"check": {"PayType4": true}}, {"close": "ok"}]}])");
    EXPECT_EQ(form.exec(), QDialog::Accepted);
    EXPECT_TRUE(form.findChild<QCheckBox*>("PayType4")->isChecked());
    EXPECT_THAT(events, ElementsAre("Shown TGroupingFrm \"\""));
}

// The plug-in's grids show datasets through DataSetModel: rows are found by field name, which
// the column title (a display label) may differ from, and by the editing text, which the
// displayed one (a display format) may differ from.
class DataSetGridTest : public test::FreshRoot {
protected:
    void SetUp() override {
        FreshRoot::SetUp();
        using appserver::FieldType;
        test::FakeTable shifts{{{"SmNum", FieldType::Integer, 0}, {"Liters", FieldType::Float, 0}},
                               {}};
        for (int i = 0; i < 4; ++i)
            shifts.rows.push_back({Variant(100 + i), Variant(20.0 + i)});
        server.ServerFactory = [shifts] {
            return std::make_unique<test::FakeAppServer>(
                std::map<std::string, test::FakeTable>{{"SmLog", shifts}},
                std::make_shared<test::FakeLog>());
        };
        set.ProviderName = "SmLog";
        set.SetRemoteServer(&server);
        set.AddField({"SmNum", FieldType::Integer, 0}).DisplayLabel = "Смена";
        set.AddField({"Liters", FieldType::Float, 0}).DisplayFormat = "0.00";
        set.Open();
    }

    data::KVTServer server;
    data::ClientDataSet set{"SmLog"};
    data::DataSource source{"SmLogSource", &set};
};

TEST_F(DataSetGridTest, RowsAreFoundByFieldNameAndEditingText) {
    TProbeFrm form;
    data::DataSetModel model(source);
    form.get<QTableView>("DBGrid1").setModel(&model);
    std::vector<std::string> events;
    const DialogScript driver(DialogScript::parse(R"([{"form": "TProbeFrm", "do": [
            {"selectRows": {"DBGrid1": {"field": "SmNum", "values": [103, 101]}}},
            {"selectRows": {"DBGrid1": {"field": "Liters", "values": [22]}}},
            {"close": "ok"}]}])"),
                              [&events](const std::string& line) { events.push_back(line); });
    EXPECT_EQ(form.exec(), QDialog::Accepted) << ::testing::PrintToString(events);
    EXPECT_THAT(form.selectedRows(), ElementsAre(2));
    EXPECT_EQ(model.headerData(1, Qt::Horizontal, data::DataSetModel::FieldNameRole), "Liters");
}

// What the grid draws: labels as headings, display formats and get-text handlers in the cells,
// record numbers counted as the dataset counts them.
TEST_F(DataSetGridTest, AGridListsTheTextsItsCellsShow) {
    set.FieldByName("SmNum").OnGetText = [](const data::Field& field, std::string& text,
                                            bool displayText) {
        text = displayText && field.AsInteger() % 2 != 0 ? "нечёт" : field.AsString();
    };
    TProbeFrm form;
    data::DataSetModel model(source);
    form.get<QTableView>("DBGrid1").setModel(&model);
    std::vector<std::string> events;
    const DialogScript driver(DialogScript::parse(R"([{"form": "TProbeFrm", "do": [
            {"list": {"DBGrid1": 2}}, {"close": "ok"}]}])"),
                              [&events](const std::string& line) { events.push_back(line); });
    form.exec();
    EXPECT_THAT(events,
                ElementsAre("Shown TProbeFrm \"Проба\"", R"(Columns DBGrid1 "Смена" "Liters")",
                            R"(Row DBGrid1 1 "100" "20,00")", R"(Row DBGrid1 2 "нечёт" "21,00")"));
}

}  // namespace
}  // namespace kvt::host

#include "DialogScript_test.moc"
