#pragma once

// A client dataset: the records of one provider of the station's application server, fetched in
// packets, with a cursor, fields, a filter, an index order, a master-detail link, bookmarks and
// cloned cursors. Clones share the fetched records and keep a cursor, filter and order of their
// own.

#include <compare>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "appserver/AppServer.h"
#include "data/DataEvents.h"
#include "data/Field.h"
#include "data/FilterExpression.h"
#include "kvtreports/Variant.h"

namespace kvt::data {

class KVTServer;

// An input parameter sent with every provider call.
class Param {
public:
    Param(std::string name, appserver::FieldType type, Variant value);
    const std::string& Name() const { return name_; }
    appserver::FieldType DataType() const { return type_; }
    std::string AsString() const;
    void SetAsString(std::string text) { Value = Variant(std::move(text)); }

    Variant Value;

private:
    std::string name_;
    appserver::FieldType type_;
};

class ParamList {
public:
    // A second parameter of the same name replaces the first.
    Param& CreateParam(std::string name, appserver::FieldType type,
                       Variant value = Variant::null());
    // Throws DataSetError "Параметр 'X' не найден". Names compare case-insensitively.
    Param& ParamByName(std::string_view name);
    Param* FindParam(std::string_view name);
    std::size_t Count() const { return params_.size(); }
    const Param& operator[](std::size_t index) const { return *params_[index]; }
    void Clear() { params_.clear(); }

private:
    std::vector<std::unique_ptr<Param>> params_;
};

struct LocateOptions {
    bool caseInsensitive = false;
    bool partialKey = false;  // a string key matches the beginning of the field's text
};

// A record of an open dataset, valid while the records it was taken from are alive (a Close,
// Refresh or new Open invalidates it). Bookmarks order by the position of the record among the
// fetched records; CompareBookmarks orders by the dataset's current order.
struct Bookmark {
    std::uint64_t store = 0;  // 0: no record
    std::size_t record = 0;
    bool operator==(const Bookmark&) const = default;
    auto operator<=>(const Bookmark&) const = default;
};

class ClientDataSet : private DataSourceObserver {
public:
    explicit ClientDataSet(std::string name = {});
    ~ClientDataSet();
    ClientDataSet(const ClientDataSet&) = delete;
    ClientDataSet& operator=(const ClientDataSet&) = delete;

    const std::string& Name() const { return name_; }

    // Provider call configuration.
    std::string ProviderName;
    int PacketRecords = -1;  // records per fetch; -1: all in one fetch
    bool FetchOnDemand = true;
    bool ReadOnly = false;
    std::string CommandText;
    ParamList& Params() { return params_; }
    const ParamList& Params() const { return params_; }
    KVTServer* RemoteServer() const { return remoteServer_; }
    // The dataset registers with the connection, which closes it on disconnect.
    void SetRemoteServer(KVTServer* server);

    // Filter, order and master-detail. A filter that does not parse throws FilterError when it is
    // applied: at Open, or at once on an open dataset; the previous filter then stays in force.
    const std::string& Filter() const { return filter_; }
    void SetFilter(std::string text);
    bool Filtered() const { return filtered_; }
    void SetFiltered(bool filtered);
    // Field names separated by ';'; records are sorted stably by them, strings without regard
    // to case. An unknown name throws DataSetError "Поле 'X' не найдено" when applied.
    const std::string& IndexFieldNames() const { return indexFieldNames_; }
    void SetIndexFieldNames(std::string names);
    DataSource* MasterSource() const { return masterSource_; }
    void SetMasterSource(DataSource* source);
    const std::string& MasterFields() const { return masterFields_; }
    void SetMasterFields(std::string names);

    // Fields. Persistent fields are declared before opening; with any, only they are fields of
    // the open dataset and each must be among the provider's fields. Without, the fields are
    // made from the provider's definitions at Open and dropped at Close.
    Field& AddField(appserver::FieldDef def);
    // What the provider delivered at the last Open.
    const std::vector<appserver::FieldDef>& FieldDefs() const { return fieldDefs_; }
    const appserver::FieldDef* FindFieldDef(std::string_view name) const;
    // A persistent field made from the provider's definition of that name, bound at once when the
    // dataset is open.
    Field& CreateField(const std::string& name);
    Field& FieldByName(std::string_view name) const;
    Field* FindField(std::string_view name) const;
    std::vector<Field*> Fields() const;

    void Open();
    void Close();
    bool Active() const { return active_; }
    void SetActive(bool active);
    // Fetches the records anew and stays on the same record number as far as there are records.
    void Refresh();

    void First();
    void Next();
    void Prior();
    void Last();
    // Moves up to `distance` records (negative: backwards); returns how far it moved.
    int MoveBy(int distance);
    bool Eof() const;
    bool Bof() const;
    // 1-based in the visible order; 0 when there is no record.
    int RecNo() const;
    void SetRecNo(int recNo);
    // Visible records: after the filter and the master restriction.
    int RecordCount();
    bool IsEmpty() const;

    // Finds the first visible record whose key fields ("A;B") equal the values (one value, or an
    // array with one element per field) and makes it current. False leaves the cursor alone.
    bool Locate(std::string_view keyFields, const Variant& keyValues, LocateOptions options = {});

    Bookmark GetBookmark() const;
    // Throws DataSetError "Запись не найдена" for a bookmark that is not a visible record.
    void GotoBookmark(const Bookmark& bookmark);
    bool BookmarkValid(const Bookmark& bookmark) const;
    // <0, 0, >0 by position in the current order; invalid bookmarks come first.
    int CompareBookmarks(const Bookmark& a, const Bookmark& b) const;

    // Another visible record than the current one, for views that draw many rows: the cursor
    // does not move and nothing is notified; a get-text handler sees that record as current.
    // recNo is 1-based among the records fetched so far; another throws DataSetError "Запись не
    // найдена".
    Variant FieldValueAt(int recNo, const Field& field) const;
    std::string FieldTextAt(int recNo, const Field& field, bool displayText = true) const;
    Bookmark BookmarkAt(int recNo) const;
    // The record number of a valid bookmark; 0 otherwise.
    int RecNoOf(const Bookmark& bookmark) const;

    // Opens this dataset on the records of `source` (which must be open). reset: no filter, order
    // or master link; else keepSettings keeps this dataset's own, otherwise the source's are
    // copied. The cursor starts on the source's current record.
    void CloneCursor(ClientDataSet& source, bool reset, bool keepSettings = false);

    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return controlsDisabled_ > 0; }
    void addObserver(DataSetObserver& observer);
    void removeObserver(DataSetObserver& observer);

    // Where a field's value of the current record lies among the fetched records (of the record
    // FieldTextAt shows, while it runs a get-text handler), for Field to read it in its own type.
    struct StoredValue {
        const appserver::RecordStore* records = nullptr;  // null: no record, or no such field
        std::size_t record = 0;
        std::size_t column = 0;
    };
    StoredValue storedValue(const Field& field) const;
    // The value of a field of the current record as a variant; used by Field.
    Variant fieldValue(const Field& field) const;
    int fieldIndex(const Field& field) const;

    // Heap bytes the fetched records hold (shared with clones); 0 while closed.
    std::size_t heldBytes() const;

    // Called by the connection on disconnect and destruction.
    void remoteServerGone();

private:
    struct Store;
    struct Settings {
        std::string filter;
        bool filtered = false;
        std::string indexFieldNames;
        DataSource* masterSource = nullptr;
        std::string masterFields;
    };

    void dataSourceEvent(DataSource& source, DataEvent event) override;
    void dataSourceDestroyed(DataSource& source) override;

    [[noreturn]] void fail(const std::string& message) const;
    void checkActive() const;

    Settings settings() const;
    void restore(const Settings& saved);
    void applySettings(const std::function<void()>& change);
    void SetMasterSourceQuietly(DataSource* source);

    Field& addPersistent(appserver::FieldDef def);
    void bindFields();
    void dropDynamicFields();

    std::shared_ptr<Store> fetchStore();
    void openOn(std::shared_ptr<Store> store, std::optional<std::size_t> record);
    void resetState();

    std::optional<FilterExpression> parseFilter(const std::string& text, bool filtered) const;
    std::vector<int> resolveColumns(const std::vector<std::string>& names) const;
    void prepareView();
    std::optional<std::vector<Variant>> readMasterValues() const;
    bool matchesMaster(std::size_t record) const;
    std::vector<std::size_t> visibleAmong(std::size_t first, std::size_t last) const;
    bool ordered() const;
    void rebuildView(std::optional<std::size_t> keep);
    void sortView(std::vector<std::size_t>& view) const;
    void indexPositions();
    void syncView();
    bool fetchMore();
    void fetchAll();
    std::optional<std::size_t> currentRecord() const;
    std::optional<std::size_t> shownRecord() const;
    std::size_t recordAt(int recNo) const;
    StoredValue storedAt(std::size_t record, const Field& field) const;
    void moveTo(std::size_t position);
    void notify(DataEvent event);

    std::string name_;
    ParamList params_;
    KVTServer* remoteServer_ = nullptr;
    std::string filter_;
    bool filtered_ = false;
    std::string indexFieldNames_;
    DataSource* masterSource_ = nullptr;
    std::string masterFields_;

    std::vector<std::unique_ptr<Field>> fields_;
    std::vector<bool> persistent_;
    std::vector<appserver::FieldDef> fieldDefs_;

    bool active_ = false;
    std::shared_ptr<Store> store_;
    std::optional<FilterExpression> filterExpr_;
    std::vector<int> indexColumns_;
    bool restricted_ = false;  // a detail of a master
    std::vector<int> detailColumns_;
    std::optional<std::vector<Variant>> masterValues_;
    std::vector<std::size_t> view_;        // records in visible order
    std::vector<std::size_t> positionOf_;  // position in view_ of each record, or none
    std::size_t scanned_ = 0;              // records considered for view_
    std::size_t position_ = 0;
    bool eof_ = true;
    bool bof_ = true;

    mutable std::optional<std::size_t> peek_;  // the record FieldTextAt reads

    int controlsDisabled_ = 0;
    bool eventsHeld_ = false;
    std::vector<DataSetObserver*> observers_;
};

}  // namespace kvt::data
