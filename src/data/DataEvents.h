#pragma once

// Change notifications from datasets and data sources to the views and detail datasets that
// follow them. Observers are not owned; an observer removes itself before it goes away.

namespace kvt::data {

class ClientDataSet;
class DataSource;

enum class DataEvent {
    Opened,
    Closed,
    LayoutChanged,   // fields, labels, visibility or widths changed
    RecordsChanged,  // the visible records changed: fetch, filter, order, master row
    CursorMoved,
    DataSetSwitched,  // a data source now shows another dataset (data sources only)
};

class DataSetObserver {
public:
    virtual void dataSetEvent(ClientDataSet& dataSet, DataEvent event) = 0;
    // The dataset is being destroyed; the observer must forget it.
    virtual void dataSetDestroyed(ClientDataSet&) {}

protected:
    ~DataSetObserver() = default;
};

class DataSourceObserver {
public:
    virtual void dataSourceEvent(DataSource& source, DataEvent event) = 0;
    // The data source is being destroyed; the observer must forget it.
    virtual void dataSourceDestroyed(DataSource&) {}

protected:
    ~DataSourceObserver() = default;
};

}  // namespace kvt::data
