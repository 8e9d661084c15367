#pragma once

// A data source links one dataset to the views that show it and to the detail datasets that
// follow it. It can be switched to another dataset; its observers are told.

#include <string>
#include <vector>

#include "data/DataEvents.h"

namespace kvt::data {

class DataSource : private DataSetObserver {
public:
    explicit DataSource(std::string name = {}, ClientDataSet* dataSet = nullptr);
    ~DataSource();
    DataSource(const DataSource&) = delete;
    DataSource& operator=(const DataSource&) = delete;

    const std::string& Name() const { return name_; }
    ClientDataSet* DataSet() const { return dataSet_; }
    void SetDataSet(ClientDataSet* dataSet);

    bool AutoEdit = true;

    void addObserver(DataSourceObserver& observer);
    void removeObserver(DataSourceObserver& observer);

private:
    void dataSetEvent(ClientDataSet& dataSet, DataEvent event) override;
    void dataSetDestroyed(ClientDataSet& dataSet) override;
    void notify(DataEvent event);

    std::string name_;
    ClientDataSet* dataSet_ = nullptr;
    std::vector<DataSourceObserver*> observers_;
};

}  // namespace kvt::data
