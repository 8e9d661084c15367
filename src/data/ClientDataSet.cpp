#include "data/ClientDataSet.h"

#include <algorithm>
#include <atomic>
#include <limits>

#include "data/DataSource.h"
#include "data/MConnect.h"
#include "platform/Text.h"

namespace kvt::data {

using appserver::FieldDef;
using appserver::FieldType;
using appserver::Row;

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

double numberOf(const Variant& value, FieldType type) {
    if (type == FieldType::Date || type == FieldType::DateTime)
        return value.toDate();
    if (type == FieldType::Boolean)
        return value.toBool() ? 1.0 : 0.0;
    return value.toDouble();
}

// Order of two values of one field: absent values first, strings by their lower-case text.
int compareValues(const Variant& a, const Variant& b, FieldType type, bool caseInsensitive) {
    const bool aAbsent = isAbsent(a);
    const bool bAbsent = isAbsent(b);
    if (aAbsent || bAbsent)
        return static_cast<int>(bAbsent) - static_cast<int>(aAbsent);
    if (type == FieldType::String) {
        if (caseInsensitive)
            return platform::lowerUtf8(a.toString()).compare(platform::lowerUtf8(b.toString()));
        return a.toString().compare(b.toString());
    }
    const double x = numberOf(a, type);
    const double y = numberOf(b, type);
    return x < y ? -1 : (x > y ? 1 : 0);
}

// A Locate key against a field value; a key that does not convert to the field's type matches
// nothing.
bool keyMatches(const Variant& value, const Variant& key, FieldType type, LocateOptions options) {
    if (isAbsent(key))
        return isAbsent(value);
    if (isAbsent(value))
        return false;
    try {
        if (type == FieldType::String || options.partialKey) {
            std::string text =
                type == FieldType::String ? value.toString() : fieldValueText(value, type);
            std::string wanted = key.toString();
            if (options.caseInsensitive) {
                text = platform::lowerUtf8(text);
                wanted = platform::lowerUtf8(wanted);
            }
            return options.partialKey ? text.starts_with(wanted) : text == wanted;
        }
        return numberOf(value, type) == numberOf(key, type);
    } catch (const VariantError&) {
        return false;
    }
}

std::uint64_t nextStoreId() {
    static std::atomic<std::uint64_t> counter{0};
    return ++counter;
}

}  // namespace

// The fetched records of one provider call, shared by a dataset and its clones.
struct ClientDataSet::Store {
    std::uint64_t id = nextStoreId();
    std::vector<FieldDef> defs;
    std::vector<Row> rows;
    std::unique_ptr<appserver::RecordCursor> cursor;  // null once nothing more is to be fetched
    int packetRecords = -1;

    // Fetches the next packet (everything with `all`); false when nothing more came.
    bool fetch(bool all) {
        if (!cursor)
            return false;
        auto more = appserver::fetchRows(*cursor, all ? -1 : packetRecords);
        const bool got = !more.empty();
        for (auto& row : more) {
            row.resize(defs.size(), Variant::null());
            rows.push_back(std::move(row));
        }
        if (!got || cursor->finished())
            cursor.reset();
        return got;
    }

    int column(std::string_view name) const {
        for (std::size_t i = 0; i < defs.size(); ++i)
            if (platform::equalsIgnoreCase(defs[i].name, name))
                return static_cast<int>(i);
        return -1;
    }
};

// One stored record as the filter evaluator sees it: every field of the record set.
class ClientDataSet::RecordView : public FilterRecord {
public:
    RecordView(const Store& store, const Row& row) : store_(store), row_(row) {}
    std::optional<FieldType> fieldType(std::string_view name) const override {
        const int column = store_.column(name);
        if (column < 0)
            return std::nullopt;
        return store_.defs[column].type;
    }
    Variant fieldValue(std::string_view name) const override {
        const int column = store_.column(name);
        return column < 0 ? Variant::null() : row_[column];
    }

private:
    const Store& store_;
    const Row& row_;
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
    return FilterExpression::parse(text);
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
    columns_.push_back(-1);
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
        columns_.back() = store_->column(field.FieldName());
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
        for (std::size_t column = 0; column < store_->defs.size(); ++column) {
            fields_.push_back(std::make_unique<Field>(*this, store_->defs[column]));
            persistent_.push_back(false);
            columns_.push_back(static_cast<int>(column));
        }
        return;
    }
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        const Field& field = *fields_[i];
        const int column = store_->column(field.FieldName());
        if (column < 0)
            fail("Поле \'" + field.FieldName() + "\' не найдено");
        const FieldType actual = store_->defs[column].type;
        if (actual != field.DataType()) {
            fail("Несоответствие типа поля '" + field.FieldName() +
                 "', ожидается: " + std::string(appserver::fieldTypeName(field.DataType())) +
                 ", фактически: " + std::string(appserver::fieldTypeName(actual)));
        }
        columns_[i] = column;
    }
}

void ClientDataSet::dropDynamicFields() {
    for (std::size_t i = fields_.size(); i-- > 0;) {
        if (persistent_[i]) {
            columns_[i] = -1;
            continue;
        }
        fields_.erase(fields_.begin() + static_cast<std::ptrdiff_t>(i));
        persistent_.erase(persistent_.begin() + static_cast<std::ptrdiff_t>(i));
        columns_.erase(columns_.begin() + static_cast<std::ptrdiff_t>(i));
    }
}

const Row& ClientDataSet::rowAt(int recNo) const {
    checkActive();
    if (recNo < 1 || static_cast<std::size_t>(recNo) > view_.size())
        fail("Запись не найдена");
    return store_->rows[view_[static_cast<std::size_t>(recNo) - 1]];
}

Variant ClientDataSet::FieldValueAt(int recNo, const Field& field) const {
    const Row& row = rowAt(recNo);
    const int index = fieldIndex(field);
    const int column = index < 0 ? -1 : columns_[index];
    return column < 0 ? Variant::null() : row[column];
}

std::string ClientDataSet::FieldTextAt(int recNo, const Field& field, bool displayText) const {
    struct Peek {
        const Row*& slot;
        const Row* saved;
        ~Peek() { slot = saved; }
    } peek{peek_, peek_};
    peek_ = &rowAt(recNo);
    return displayText ? field.DisplayText() : field.Text();
}

Bookmark ClientDataSet::BookmarkAt(int recNo) const {
    rowAt(recNo);
    return {store_->id, view_[static_cast<std::size_t>(recNo) - 1]};
}

int ClientDataSet::RecNoOf(const Bookmark& bookmark) const {
    return BookmarkValid(bookmark) ? static_cast<int>(positionOf_[bookmark.record]) + 1 : 0;
}

const Row* ClientDataSet::currentRow() const {
    if (peek_)
        return peek_;
    if (!active_ || view_.empty())
        return nullptr;
    return &store_->rows[view_[position_]];
}

Variant ClientDataSet::fieldValue(const Field& field) const {
    const Row* row = currentRow();
    if (!row)
        return Variant::null();
    const int index = fieldIndex(field);
    const int column = index < 0 ? -1 : columns_[index];
    return column < 0 ? Variant::null() : (*row)[column];
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
    auto store = std::make_shared<Store>();
    store->cursor = server->openProvider(ProviderName, request);
    store->defs = store->cursor->fields();
    store->packetRecords = PacketRecords;
    store->fetch(PacketRecords < 0);
    if (!FetchOnDemand)
        store->cursor.reset();
    return store;
}

void ClientDataSet::Open() {
    if (active_)
        return;
    openOn(fetchStore(), std::nullopt);
}

void ClientDataSet::openOn(std::shared_ptr<Store> store, std::optional<std::size_t> record) {
    store_ = std::move(store);
    fieldDefs_ = store_->defs;
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
    const bool sameLayout = store_->defs == fieldDefs_;
    fieldDefs_ = store_->defs;
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

bool ClientDataSet::passes(const Row& row) const {
    if (restricted_) {
        if (!masterValues_)
            return false;
        for (std::size_t i = 0; i < detailColumns_.size(); ++i) {
            const Variant& wanted = (*masterValues_)[i];
            const int column = detailColumns_[i];
            if (isAbsent(wanted) || isAbsent(row[column]))
                return false;
            if (compareValues(row[column], wanted, store_->defs[column].type, false) != 0)
                return false;
        }
    }
    return !filterExpr_ || filterExpr_->matches(RecordView(*store_, row));
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
    std::vector<std::size_t> view;
    const auto& rows = store_->rows;
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (passes(rows[i]))
            view.push_back(i);
    if (ordered())
        sortView(view);
    view_ = std::move(view);
    scanned_ = rows.size();
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
    struct Key {
        int column;
        FieldType type;
        std::vector<std::string> folded;  // lower-case text of string columns, by record
    };
    std::vector<Key> keys;
    for (const int column : indexColumns_) {
        Key key{column, store_->defs[column].type, {}};
        if (key.type == FieldType::String) {
            key.folded.resize(store_->rows.size());
            for (const auto record : view) {
                const Variant& value = store_->rows[record][column];
                if (!isAbsent(value))
                    key.folded[record] = platform::lowerUtf8(value.toString());
            }
        }
        keys.push_back(std::move(key));
    }
    const auto& rows = store_->rows;
    std::stable_sort(view.begin(), view.end(), [&](std::size_t a, std::size_t b) {
        for (const auto& key : keys) {
            const Variant& x = rows[a][key.column];
            const Variant& y = rows[b][key.column];
            int order = 0;
            if (key.type == FieldType::String && !isAbsent(x) && !isAbsent(y))
                order = key.folded[a].compare(key.folded[b]);
            else
                order = compareValues(x, y, key.type, true);
            if (order != 0)
                return order < 0;
        }
        return false;
    });
}

void ClientDataSet::indexPositions() {
    positionOf_.assign(store_->rows.size(), kNone);
    for (std::size_t i = 0; i < view_.size(); ++i)
        positionOf_[view_[i]] = i;
}

// Takes in records fetched since the view was built (by this dataset or a clone).
void ClientDataSet::syncView() {
    if (scanned_ == store_->rows.size())
        return;
    if (ordered()) {
        rebuildView(currentRecord());
        return;
    }
    const auto& rows = store_->rows;
    positionOf_.resize(rows.size(), kNone);
    for (; scanned_ < rows.size(); ++scanned_) {
        if (!passes(rows[scanned_]))
            continue;
        positionOf_[scanned_] = view_.size();
        view_.push_back(scanned_);
    }
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
    std::vector<int> columns;
    for (const auto& name : names) {
        Field& field = FieldByName(name);
        columns.push_back(columns_[field.Index()]);
    }
    std::vector<Variant> keys;
    if (keyValues.isArray()) {
        keys = keyValues.elements();
    } else {
        keys.push_back(keyValues);
    }
    if (keys.size() != columns.size())
        fail("Locate: ключевых полей " + std::to_string(columns.size()) + ", значений " +
             std::to_string(keys.size()));
    fetchAll();
    for (std::size_t position = 0; position < view_.size(); ++position) {
        const Row& row = store_->rows[view_[position]];
        bool match = true;
        for (std::size_t k = 0; k < columns.size() && match; ++k) {
            const int column = columns[k];
            match =
                column >= 0 && keyMatches(row[column], keys[k], store_->defs[column].type, options);
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
