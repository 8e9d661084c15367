#include "data/ClientDataSet.h"

#include <algorithm>
#include <atomic>
#include <limits>

#include "appserver/RecordStore.h"
#include "data/DataSource.h"
#include "data/MConnect.h"
#include "platform/Text.h"

namespace kvt::data {

using appserver::FieldDef;
using appserver::FieldType;
using appserver::RecordStore;

namespace {

constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();

std::vector<std::string> splitNames(std::string_view names) {
    std::vector<std::string> result;
    std::size_t start = 0;
    while (start <= names.size()) {
        auto end = names.find(';', start);
        if (end == std::string_view::npos)
            end = names.size();
        std::string_view name = names.substr(start, end - start);
        while (!name.empty() && name.front() == ' ')
            name.remove_prefix(1);
        while (!name.empty() && name.back() == ' ')
            name.remove_suffix(1);
        if (!name.empty())
            result.emplace_back(name);
        start = end + 1;
    }
    return result;
}

bool isAbsent(const Variant& value) {
    return value.isNull() || value.isEmpty();
}

// A value as the comparisons see it: dates as days, Boolean 1 or 0, Currency in whole units,
// as RecordStore::real gives a stored one.
double numberOf(const Variant& value, FieldType type) {
    if (type == FieldType::Date || type == FieldType::DateTime)
        return value.toDate();
    if (type == FieldType::Boolean)
        return value.toBool() ? 1.0 : 0.0;
    return value.toDouble();
}

int threeWay(auto a, auto b) {
    return a < b ? -1 : (a > b ? 1 : 0);
}

bool sameText(std::string_view stored, const Variant& wanted) {
    return wanted.type() == VarType::Str ? stored == wanted.rawString()
                                         : stored == wanted.toString();
}

// Orders records by one column: nulls first, numbers by value, strings by their lower-case
// text, folded once per record rather than once per comparison.
class ColumnOrder {
public:
    ColumnOrder(const RecordStore& records, std::size_t column,
                const std::vector<std::size_t>& view)
        : records_(&records), column_(column), type_(records.fields()[column].type) {
        if (type_ != FieldType::String)
            return;
        folded_.resize(records.rowCount());
        for (const auto record : view)
            if (!records.isNull(record, column))
                folded_[record] = platform::lowerUtf8(records.text(record, column));
    }

    int compare(std::size_t a, std::size_t b) const {
        const bool aNull = records_->isNull(a, column_);
        const bool bNull = records_->isNull(b, column_);
        if (aNull || bNull)
            return static_cast<int>(bNull) - static_cast<int>(aNull);
        switch (type_) {
            case FieldType::String:
                return folded_[a].compare(folded_[b]);
            case FieldType::Float:
            case FieldType::Date:
            case FieldType::DateTime:
                return threeWay(records_->real(a, column_), records_->real(b, column_));
            default:
                return threeWay(records_->integer(a, column_), records_->integer(b, column_));
        }
    }

private:
    const RecordStore* records_;
    std::size_t column_;
    FieldType type_;
    std::vector<std::string> folded_;  // by record
};

// A Locate key, converted once for the field it is matched against; a key that does not
// convert to the field's type matches nothing.
class LocateKey {
public:
    LocateKey(const Variant& key, FieldType type, LocateOptions options)
        : type_(type), options_(options), absent_(isAbsent(key)) {
        if (absent_)
            return;
        try {
            if (byText())
                text_ =
                    options.caseInsensitive ? platform::lowerUtf8(key.toString()) : key.toString();
            else
                number_ = numberOf(key, type);
        } catch (const VariantError&) {
            convertible_ = false;
        }
    }

    bool matches(const RecordStore& records, std::size_t record, std::size_t column) const {
        if (absent_)
            return records.isNull(record, column);
        if (!convertible_ || records.isNull(record, column))
            return false;
        if (!byText())
            return records.real(record, column) == number_;
        std::string holder;
        std::string_view text;
        if (type_ == FieldType::String) {
            text = records.text(record, column);
        } else {
            holder = fieldValueText(records.value(record, column), type_);
            text = holder;
        }
        if (options_.caseInsensitive) {
            holder = platform::lowerUtf8(text);
            text = holder;
        }
        return options_.partialKey ? text.starts_with(text_) : text == text_;
    }

private:
    bool byText() const { return type_ == FieldType::String || options_.partialKey; }

    FieldType type_;
    LocateOptions options_;
    bool absent_;
    bool convertible_ = true;
    std::string text_;
    double number_ = 0;
};

std::uint64_t nextStoreId() {
    static std::atomic<std::uint64_t> counter{0};
    return ++counter;
}

}  // namespace

// The fetched records of one provider call, shared by a dataset and its clones.
struct ClientDataSet::Store {
    Store(std::unique_ptr<appserver::RecordCursor> source, int packet)
        : records(source->fields()), cursor(std::move(source)), packetRecords(packet) {}

    const std::vector<FieldDef>& defs() const { return records.fields(); }

    // Fetches the next packet (everything with `all`); false when nothing more came.
    bool fetch(bool all) {
        if (!cursor)
            return false;
        const bool got = cursor->fetch(all ? -1 : packetRecords, records) > 0;
        if (!got || cursor->finished())
            finish();
        return got;
    }

    // Nothing more is to be fetched: the room kept for further records goes back.
    void finish() {
        cursor.reset();
        records.shrinkToFit();
    }

    int column(std::string_view name) const {
        for (std::size_t i = 0; i < defs().size(); ++i)
            if (platform::equalsIgnoreCase(defs()[i].name, name))
                return static_cast<int>(i);
        return -1;
    }

    std::uint64_t id = nextStoreId();
    RecordStore records;
    std::unique_ptr<appserver::RecordCursor> cursor;  // null once nothing more is to be fetched
    int packetRecords = -1;
};

// ---------------------------------------------------------------------------------------------
// Parameters

Param::Param(std::string name, FieldType type, Variant value)
    : Value(std::move(value)), name_(std::move(name)), type_(type) {}

std::string Param::AsString() const {
    return isAbsent(Value) ? std::string() : Value.toString();
}

Param& ParamList::CreateParam(std::string name, FieldType type, Variant value) {
    auto param = std::make_unique<Param>(std::move(name), type, std::move(value));
    for (auto& existing : params_) {
        if (platform::equalsIgnoreCase(existing->Name(), param->Name())) {
            existing = std::move(param);
            return *existing;
        }
    }
    params_.push_back(std::move(param));
    return *params_.back();
}

Param* ParamList::FindParam(std::string_view name) {
    for (auto& param : params_)
        if (platform::equalsIgnoreCase(param->Name(), name))
            return param.get();
    return nullptr;
}

Param& ParamList::ParamByName(std::string_view name) {
    if (auto* param = FindParam(name))
        return *param;
    throw DataSetError("Параметр '" + std::string(name) + "' не найден");
}

// ---------------------------------------------------------------------------------------------
// Life and configuration

ClientDataSet::ClientDataSet(std::string name) : name_(std::move(name)) {}

ClientDataSet::~ClientDataSet() {
    if (remoteServer_)
        remoteServer_->detach(*this);
    if (masterSource_)
        masterSource_->removeObserver(*this);
    const auto observers = observers_;
    for (auto* observer : observers)
        observer->dataSetDestroyed(*this);
}

void ClientDataSet::fail(const std::string& message) const {
    throw DataSetError(name_.empty() ? message : name_ + ": " + message);
}

void ClientDataSet::checkActive() const {
    if (!active_)
        fail("Невозможно выполнить эту операцию на закрытом наборе данных");
}

void ClientDataSet::SetRemoteServer(KVTServer* server) {
    if (server == remoteServer_)
        return;
    if (remoteServer_)
        remoteServer_->detach(*this);
    remoteServer_ = server;
    if (remoteServer_)
        remoteServer_->attach(*this);
}

void ClientDataSet::remoteServerGone() {
    Close();
    remoteServer_ = nullptr;
}

std::optional<FilterExpression> ClientDataSet::parseFilter(const std::string& text,
                                                           bool filtered) const {
    if (!filtered)
        return std::nullopt;
    FilterExpression filter = FilterExpression::parse(text);
    filter.bind(store_->defs());
    return filter;
}

// Applies a change of filter, order or master link to an open dataset; when the new settings
// fail, the old ones are restored and the error goes to the caller.
void ClientDataSet::applySettings(const std::function<void()>& change) {
    if (!active_) {
        change();
        return;
    }
    const Settings saved = settings();
    const auto current = currentRecord();
    try {
        change();
        prepareView();
        rebuildView(current);
    } catch (...) {
        restore(saved);
        prepareView();
        rebuildView(current);
        throw;
    }
    notify(DataEvent::RecordsChanged);
}

ClientDataSet::Settings ClientDataSet::settings() const {
    return {filter_, filtered_, indexFieldNames_, masterSource_, masterFields_};
}

void ClientDataSet::restore(const Settings& saved) {
    filter_ = saved.filter;
    filtered_ = saved.filtered;
    indexFieldNames_ = saved.indexFieldNames;
    SetMasterSourceQuietly(saved.masterSource);
    masterFields_ = saved.masterFields;
}

void ClientDataSet::SetFilter(std::string text) {
    if (text == filter_)
        return;
    if (!filtered_) {
        filter_ = std::move(text);
        return;
    }
    applySettings([&] { filter_ = std::move(text); });
}

void ClientDataSet::SetFiltered(bool filtered) {
    if (filtered == filtered_)
        return;
    applySettings([&] { filtered_ = filtered; });
}

void ClientDataSet::SetIndexFieldNames(std::string names) {
    if (names == indexFieldNames_)
        return;
    applySettings([&] { indexFieldNames_ = std::move(names); });
}

void ClientDataSet::SetMasterSource(DataSource* source) {
    if (source == masterSource_)
        return;
    applySettings([&] { SetMasterSourceQuietly(source); });
}

void ClientDataSet::SetMasterSourceQuietly(DataSource* source) {
    if (source == masterSource_)
        return;
    if (masterSource_)
        masterSource_->removeObserver(*this);
    masterSource_ = source;
    if (masterSource_)
        masterSource_->addObserver(*this);
}

void ClientDataSet::SetMasterFields(std::string names) {
    if (names == masterFields_)
        return;
    applySettings([&] { masterFields_ = std::move(names); });
}

// ---------------------------------------------------------------------------------------------
// Fields

Field* ClientDataSet::FindField(std::string_view name) const {
    for (const auto& field : fields_)
        if (platform::equalsIgnoreCase(field->FieldName(), name))
            return field.get();
    return nullptr;
}

Field& ClientDataSet::FieldByName(std::string_view name) const {
    if (auto* field = FindField(name))
        return *field;
    fail("Поле \'" + std::string(name) + "\' не найдено");
}

std::vector<Field*> ClientDataSet::Fields() const {
    std::vector<Field*> result;
    result.reserve(fields_.size());
    for (const auto& field : fields_)
        result.push_back(field.get());
    return result;
}

int ClientDataSet::fieldIndex(const Field& field) const {
    for (std::size_t i = 0; i < fields_.size(); ++i)
        if (fields_[i].get() == &field)
            return static_cast<int>(i);
    return -1;
}

const FieldDef* ClientDataSet::FindFieldDef(std::string_view name) const {
    for (const auto& def : fieldDefs_)
        if (platform::equalsIgnoreCase(def.name, name))
            return &def;
    return nullptr;
}

Field& ClientDataSet::addPersistent(FieldDef def) {
    if (FindField(def.name))
        fail("Повторяющееся имя поля '" + def.name + "'");
    fields_.push_back(std::make_unique<Field>(*this, std::move(def)));
    persistent_.push_back(true);
    return *fields_.back();
}

Field& ClientDataSet::AddField(FieldDef def) {
    if (active_)
        fail("Невозможно выполнить эту операцию на открытом наборе данных");
    return addPersistent(std::move(def));
}

Field& ClientDataSet::CreateField(const std::string& name) {
    const FieldDef* def = FindFieldDef(name);
    if (!def)
        fail("Поле \'" + name + "\' не найдено");
    Field& field = addPersistent(*def);
    if (active_) {
        field.column_ = store_->column(field.FieldName());
        notify(DataEvent::LayoutChanged);
    }
    return field;
}

// With persistent fields, each is looked up among the record set's fields; without, the record
// set's fields become the dataset's fields until it closes.
void ClientDataSet::bindFields() {
    const bool anyPersistent =
        std::find(persistent_.begin(), persistent_.end(), true) != persistent_.end();
    if (!anyPersistent) {
        for (std::size_t column = 0; column < store_->defs().size(); ++column) {
            fields_.push_back(std::make_unique<Field>(*this, store_->defs()[column]));
            fields_.back()->column_ = static_cast<int>(column);
            persistent_.push_back(false);
        }
        return;
    }
    for (const auto& field : fields_) {
        const int column = store_->column(field->FieldName());
        if (column < 0)
            fail("Поле \'" + field->FieldName() + "\' не найдено");
        const FieldType actual = store_->defs()[column].type;
        if (actual != field->DataType()) {
            fail("Несоответствие типа поля '" + field->FieldName() +
                 "', ожидается: " + std::string(appserver::fieldTypeName(field->DataType())) +
                 ", фактически: " + std::string(appserver::fieldTypeName(actual)));
        }
        field->column_ = column;
    }
}

void ClientDataSet::dropDynamicFields() {
    for (std::size_t i = fields_.size(); i-- > 0;) {
        if (persistent_[i]) {
            fields_[i]->column_ = -1;
            continue;
        }
        fields_.erase(fields_.begin() + static_cast<std::ptrdiff_t>(i));
        persistent_.erase(persistent_.begin() + static_cast<std::ptrdiff_t>(i));
    }
}

std::size_t ClientDataSet::recordAt(int recNo) const {
    checkActive();
    if (recNo < 1 || static_cast<std::size_t>(recNo) > view_.size())
        fail("Запись не найдена");
    return view_[static_cast<std::size_t>(recNo) - 1];
}

ClientDataSet::StoredValue ClientDataSet::storedAt(std::size_t record, const Field& field) const {
    if (&field.DataSet() != this || field.column_ < 0)
        return {};
    return {&store_->records, record, static_cast<std::size_t>(field.column_)};
}

Variant ClientDataSet::FieldValueAt(int recNo, const Field& field) const {
    const StoredValue at = storedAt(recordAt(recNo), field);
    return at.records ? at.records->value(at.record, at.column) : Variant::null();
}

std::string ClientDataSet::FieldTextAt(int recNo, const Field& field, bool displayText) const {
    struct Peek {
        std::optional<std::size_t>& slot;
        std::optional<std::size_t> saved;
        ~Peek() { slot = saved; }
    } peek{peek_, peek_};
    peek_ = recordAt(recNo);
    return displayText ? field.DisplayText() : field.Text();
}

Bookmark ClientDataSet::BookmarkAt(int recNo) const {
    return {store_->id, recordAt(recNo)};
}

int ClientDataSet::RecNoOf(const Bookmark& bookmark) const {
    return BookmarkValid(bookmark) ? static_cast<int>(positionOf_[bookmark.record]) + 1 : 0;
}

std::optional<std::size_t> ClientDataSet::shownRecord() const {
    return peek_ ? peek_ : currentRecord();
}

ClientDataSet::StoredValue ClientDataSet::storedValue(const Field& field) const {
    const auto record = shownRecord();
    return record ? storedAt(*record, field) : StoredValue{};
}

Variant ClientDataSet::fieldValue(const Field& field) const {
    const StoredValue at = storedValue(field);
    return at.records ? at.records->value(at.record, at.column) : Variant::null();
}

std::size_t ClientDataSet::heldBytes() const {
    return active_ ? store_->records.heldBytes() : 0;
}

// ---------------------------------------------------------------------------------------------
// Opening and closing

std::shared_ptr<ClientDataSet::Store> ClientDataSet::fetchStore() {
    if (ProviderName.empty() || !remoteServer_)
        fail("Отсутствует провайдер данных или пакет данных");
    if (!remoteServer_->Connected())
        remoteServer_->Open();
    appserver::AppServer* server = remoteServer_->AppServer();
    if (!server)
        fail("Отсутствует провайдер данных или пакет данных");
    appserver::ProviderRequest request{CommandText, {}};
    for (std::size_t i = 0; i < params_.Count(); ++i)
        request.params.emplace_back(params_[i].Name(), params_[i].Value);
    auto store =
        std::make_shared<Store>(server->openProvider(ProviderName, request), PacketRecords);
    store->fetch(PacketRecords < 0);
    if (!FetchOnDemand)
        store->finish();
    return store;
}

void ClientDataSet::Open() {
    if (active_)
        return;
    openOn(fetchStore(), std::nullopt);
}

void ClientDataSet::openOn(std::shared_ptr<Store> store, std::optional<std::size_t> record) {
    store_ = std::move(store);
    fieldDefs_ = store_->defs();
    try {
        bindFields();
        active_ = true;
        prepareView();
        rebuildView(record);
    } catch (...) {
        resetState();
        throw;
    }
    notify(DataEvent::Opened);
}

void ClientDataSet::resetState() {
    active_ = false;
    dropDynamicFields();
    store_.reset();
    view_.clear();
    positionOf_.clear();
    scanned_ = 0;
    position_ = 0;
    eof_ = bof_ = true;
    filterExpr_.reset();
    indexColumns_.clear();
    detailColumns_.clear();
    masterValues_.reset();
}

void ClientDataSet::Close() {
    if (!active_)
        return;
    resetState();
    notify(DataEvent::Closed);
}

void ClientDataSet::SetActive(bool active) {
    if (active)
        Open();
    else
        Close();
}

void ClientDataSet::Refresh() {
    checkActive();
    const int recNo = RecNo();
    store_ = fetchStore();
    const bool sameLayout = store_->defs() == fieldDefs_;
    fieldDefs_ = store_->defs();
    try {
        if (!sameLayout)
            dropDynamicFields();
        if (!sameLayout ||
            std::find(persistent_.begin(), persistent_.end(), true) != persistent_.end())
            bindFields();
        prepareView();
        rebuildView(std::nullopt);
    } catch (...) {
        resetState();
        notify(DataEvent::Closed);
        throw;
    }
    if (recNo > 1)
        SetRecNo(recNo);
    notify(sameLayout ? DataEvent::RecordsChanged : DataEvent::LayoutChanged);
}

void ClientDataSet::CloneCursor(ClientDataSet& source, bool reset, bool keepSettings) {
    source.checkActive();
    const auto record = source.currentRecord();
    auto store = source.store_;
    Close();
    if (reset) {
        restore({});
    } else if (!keepSettings) {
        restore(source.settings());
    }
    openOn(std::move(store), record);
}

// ---------------------------------------------------------------------------------------------
// The visible records

std::vector<int> ClientDataSet::resolveColumns(const std::vector<std::string>& names) const {
    std::vector<int> columns;
    for (const auto& name : names) {
        const int column = store_->column(name);
        if (column < 0)
            fail("Поле \'" + name + "\' не найдено");
        columns.push_back(column);
    }
    return columns;
}

// Parses the filter and resolves the index and master fields for the current settings.
void ClientDataSet::prepareView() {
    filterExpr_ = parseFilter(filter_, filtered_);
    indexColumns_ = resolveColumns(splitNames(indexFieldNames_));
    detailColumns_.clear();
    masterValues_.reset();
    const auto masterNames = splitNames(masterFields_);
    restricted_ = masterSource_ != nullptr && !masterNames.empty();
    if (!restricted_)
        return;
    if (indexColumns_.size() >= masterNames.size())
        detailColumns_.assign(
            indexColumns_.begin(),
            indexColumns_.begin() + static_cast<std::ptrdiff_t>(masterNames.size()));
    else
        detailColumns_ = resolveColumns(masterNames);
    masterValues_ = readMasterValues();
}

// The master's key of its current record; nothing when the master has no current record.
std::optional<std::vector<Variant>> ClientDataSet::readMasterValues() const {
    ClientDataSet* master = masterSource_ ? masterSource_->DataSet() : nullptr;
    if (!master || master == this || !master->Active() || master->IsEmpty())
        return std::nullopt;
    std::vector<Variant> values;
    for (const auto& name : splitNames(masterFields_))
        values.push_back(master->FieldByName(name).Value());
    return values;
}

// A detail's record with the master's key; the key is there, else nothing is shown.
bool ClientDataSet::matchesMaster(std::size_t record) const {
    const RecordStore& records = store_->records;
    for (std::size_t i = 0; i < detailColumns_.size(); ++i) {
        const Variant& wanted = (*masterValues_)[i];
        const auto column = static_cast<std::size_t>(detailColumns_[i]);
        if (isAbsent(wanted) || records.isNull(record, column))
            return false;
        const FieldType type = records.fields()[column].type;
        const bool same = type == FieldType::String
                              ? sameText(records.text(record, column), wanted)
                              : records.real(record, column) == numberOf(wanted, type);
        if (!same)
            return false;
    }
    return true;
}

// The records among [first, last) that the master restriction and the filter let through.
std::vector<std::size_t> ClientDataSet::visibleAmong(std::size_t first, std::size_t last) const {
    std::vector<std::size_t> visible;
    if (first >= last || (restricted_ && !masterValues_))
        return visible;
    std::vector<std::uint8_t> pass(last - first, 1);
    if (filterExpr_)
        filterExpr_->select(store_->records, first, pass);
    for (std::size_t i = 0; i < pass.size(); ++i)
        if (pass[i] != 0 && (!restricted_ || matchesMaster(first + i)))
            visible.push_back(first + i);
    return visible;
}

std::optional<std::size_t> ClientDataSet::currentRecord() const {
    if (!active_ || view_.empty())
        return std::nullopt;
    return view_[position_];
}

bool ClientDataSet::ordered() const {
    return !indexColumns_.empty();
}

// Rebuilds the visible order from every fetched record. An index needs every record to place
// each one, so an ordered dataset fetches the rest first.
void ClientDataSet::rebuildView(std::optional<std::size_t> keep) {
    if (ordered()) {
        while (store_->fetch(true)) {
        }
    }
    const std::size_t count = store_->records.rowCount();
    std::vector<std::size_t> view = visibleAmong(0, count);
    if (ordered())
        sortView(view);
    view_ = std::move(view);
    scanned_ = count;
    indexPositions();
    position_ = 0;
    if (keep && *keep < positionOf_.size() && positionOf_[*keep] != kNone)
        position_ = positionOf_[*keep];
    // A filter or master may hide the whole first packet; the cursor needs a record to stand on.
    while (view_.empty() && fetchMore()) {
    }
    bof_ = position_ == 0;
    eof_ = view_.empty();
}

void ClientDataSet::sortView(std::vector<std::size_t>& view) const {
    std::vector<ColumnOrder> keys;
    keys.reserve(indexColumns_.size());
    for (const int column : indexColumns_)
        keys.emplace_back(store_->records, static_cast<std::size_t>(column), view);
    std::stable_sort(view.begin(), view.end(), [&](std::size_t a, std::size_t b) {
        for (const auto& key : keys) {
            if (const int order = key.compare(a, b); order != 0)
                return order < 0;
        }
        return false;
    });
}

void ClientDataSet::indexPositions() {
    positionOf_.assign(store_->records.rowCount(), kNone);
    for (std::size_t i = 0; i < view_.size(); ++i)
        positionOf_[view_[i]] = i;
}

// Takes in records fetched since the view was built (by this dataset or a clone).
void ClientDataSet::syncView() {
    const std::size_t count = store_->records.rowCount();
    if (scanned_ == count)
        return;
    if (ordered()) {
        rebuildView(currentRecord());
        return;
    }
    positionOf_.resize(count, kNone);
    for (const auto record : visibleAmong(scanned_, count)) {
        positionOf_[record] = view_.size();
        view_.push_back(record);
    }
    scanned_ = count;
}

bool ClientDataSet::fetchMore() {
    if (!store_->fetch(false))
        return false;
    syncView();
    return true;
}

void ClientDataSet::fetchAll() {
    store_->fetch(true);
    syncView();
}

// ---------------------------------------------------------------------------------------------
// Cursor

void ClientDataSet::moveTo(std::size_t position) {
    position_ = position;
    bof_ = eof_ = false;
    notify(DataEvent::CursorMoved);
}

void ClientDataSet::First() {
    checkActive();
    syncView();
    position_ = 0;
    bof_ = true;
    eof_ = view_.empty();
    notify(DataEvent::CursorMoved);
}

void ClientDataSet::Next() {
    checkActive();
    syncView();
    while (position_ + 1 >= view_.size() && fetchMore()) {
    }
    if (position_ + 1 < view_.size()) {
        moveTo(position_ + 1);
        return;
    }
    eof_ = true;
}

void ClientDataSet::Prior() {
    checkActive();
    if (position_ == 0) {
        bof_ = true;
        return;
    }
    moveTo(position_ - 1);
}

void ClientDataSet::Last() {
    checkActive();
    fetchAll();
    if (view_.empty()) {
        eof_ = bof_ = true;
        return;
    }
    moveTo(view_.size() - 1);
    eof_ = true;
}

int ClientDataSet::MoveBy(int distance) {
    checkActive();
    if (view_.empty() || distance == 0)
        return 0;
    if (distance < 0) {
        const auto back = std::min<std::size_t>(
            position_, static_cast<std::size_t>(-static_cast<long long>(distance)));
        if (back == 0) {
            bof_ = true;
            return 0;
        }
        moveTo(position_ - back);
        if (back < static_cast<std::size_t>(-static_cast<long long>(distance)))
            bof_ = true;
        return -static_cast<int>(back);
    }
    const auto wanted = position_ + static_cast<std::size_t>(distance);
    syncView();
    while (wanted >= view_.size() && fetchMore()) {
    }
    const auto target = std::min(wanted, view_.size() - 1);
    const auto moved = static_cast<int>(target - position_);
    if (moved > 0)
        moveTo(target);
    if (target < wanted)
        eof_ = true;
    return moved;
}

bool ClientDataSet::Eof() const {
    return !active_ || eof_;
}
bool ClientDataSet::Bof() const {
    return !active_ || bof_;
}

int ClientDataSet::RecNo() const {
    if (!active_ || view_.empty())
        return 0;
    return static_cast<int>(position_) + 1;
}

void ClientDataSet::SetRecNo(int recNo) {
    checkActive();
    if (recNo < 1)
        recNo = 1;
    syncView();
    while (static_cast<std::size_t>(recNo) > view_.size() && fetchMore()) {
    }
    if (view_.empty())
        return;
    moveTo(std::min(static_cast<std::size_t>(recNo), view_.size()) - 1);
}

int ClientDataSet::RecordCount() {
    if (!active_)
        return 0;
    fetchAll();
    return static_cast<int>(view_.size());
}

bool ClientDataSet::IsEmpty() const {
    return !active_ || view_.empty();
}

bool ClientDataSet::Locate(std::string_view keyFields, const Variant& keyValues,
                           LocateOptions options) {
    checkActive();
    const auto names = splitNames(keyFields);
    std::vector<const Field*> fields;
    for (const auto& name : names)
        fields.push_back(&FieldByName(name));
    std::vector<Variant> keys;
    if (keyValues.isArray()) {
        keys = keyValues.elements();
    } else {
        keys.push_back(keyValues);
    }
    if (keys.size() != fields.size())
        fail("Locate: ключевых полей " + std::to_string(fields.size()) + ", значений " +
             std::to_string(keys.size()));
    std::vector<LocateKey> wanted;
    for (std::size_t k = 0; k < fields.size(); ++k)
        wanted.emplace_back(keys[k], fields[k]->DataType(), options);
    fetchAll();
    for (std::size_t position = 0; position < view_.size(); ++position) {
        bool match = true;
        for (std::size_t k = 0; k < fields.size() && match; ++k) {
            const StoredValue at = storedAt(view_[position], *fields[k]);
            match = at.records && wanted[k].matches(*at.records, at.record, at.column);
        }
        if (match) {
            moveTo(position);
            return true;
        }
    }
    return false;
}

// ---------------------------------------------------------------------------------------------
// Bookmarks

Bookmark ClientDataSet::GetBookmark() const {
    const auto record = currentRecord();
    if (!record)
        return {};
    return {store_->id, *record};
}

bool ClientDataSet::BookmarkValid(const Bookmark& bookmark) const {
    return active_ && bookmark.store == store_->id && bookmark.record < positionOf_.size() &&
           positionOf_[bookmark.record] != kNone;
}

void ClientDataSet::GotoBookmark(const Bookmark& bookmark) {
    checkActive();
    if (!BookmarkValid(bookmark))
        fail("Запись не найдена");
    moveTo(positionOf_[bookmark.record]);
}

int ClientDataSet::CompareBookmarks(const Bookmark& a, const Bookmark& b) const {
    const bool aValid = BookmarkValid(a);
    const bool bValid = BookmarkValid(b);
    if (!aValid || !bValid)
        return static_cast<int>(aValid) - static_cast<int>(bValid);
    const auto x = positionOf_[a.record];
    const auto y = positionOf_[b.record];
    return x < y ? -1 : (x > y ? 1 : 0);
}

// ---------------------------------------------------------------------------------------------
// Notifications

void ClientDataSet::DisableControls() {
    ++controlsDisabled_;
}

void ClientDataSet::EnableControls() {
    if (controlsDisabled_ == 0)
        return;
    if (--controlsDisabled_ == 0 && eventsHeld_) {
        eventsHeld_ = false;
        notify(DataEvent::RecordsChanged);
    }
}

void ClientDataSet::addObserver(DataSetObserver& observer) {
    if (std::find(observers_.begin(), observers_.end(), &observer) == observers_.end())
        observers_.push_back(&observer);
}

void ClientDataSet::removeObserver(DataSetObserver& observer) {
    std::erase(observers_, &observer);
}

void ClientDataSet::notify(DataEvent event) {
    if (controlsDisabled_ > 0) {
        eventsHeld_ = true;
        return;
    }
    const auto observers = observers_;
    for (auto* observer : observers) {
        if (std::find(observers_.begin(), observers_.end(), observer) != observers_.end())
            observer->dataSetEvent(*this, event);
    }
}

// The detail follows the master's current record: a new key (or a master that opened, closed
// or changed its records) selects the matching records and goes to the first of them.
void ClientDataSet::dataSourceEvent(DataSource& source, DataEvent event) {
    if (&source != masterSource_ || !active_ || !restricted_)
        return;
    std::optional<std::vector<Variant>> values;
    try {
        values = readMasterValues();
    } catch (const DataSetError&) {
        // A master switched to a dataset without the master fields has no matching records.
    }
    if (event == DataEvent::CursorMoved && values == masterValues_)
        return;
    masterValues_ = std::move(values);
    rebuildView(std::nullopt);
    notify(DataEvent::RecordsChanged);
}

void ClientDataSet::dataSourceDestroyed(DataSource& source) {
    if (&source != masterSource_)
        return;
    masterSource_ = nullptr;
    if (!active_)
        return;
    prepareView();
    rebuildView(currentRecord());
    notify(DataEvent::RecordsChanged);
}

}  // namespace kvt::data
