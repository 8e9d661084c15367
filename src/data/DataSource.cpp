#include "data/DataSource.h"

#include <algorithm>

#include "data/ClientDataSet.h"

namespace kvt::data {

DataSource::DataSource(std::string name, ClientDataSet* dataSet) : name_(std::move(name)) {
    SetDataSet(dataSet);
}

DataSource::~DataSource() {
    if (dataSet_)
        dataSet_->removeObserver(*this);
    // Observers may remove themselves while being told.
    const auto observers = observers_;
    for (auto* observer : observers)
        observer->dataSourceDestroyed(*this);
}

void DataSource::SetDataSet(ClientDataSet* dataSet) {
    if (dataSet == dataSet_)
        return;
    if (dataSet_)
        dataSet_->removeObserver(*this);
    dataSet_ = dataSet;
    if (dataSet_)
        dataSet_->addObserver(*this);
    notify(DataEvent::DataSetSwitched);
}

void DataSource::addObserver(DataSourceObserver& observer) {
    if (std::find(observers_.begin(), observers_.end(), &observer) == observers_.end())
        observers_.push_back(&observer);
}

void DataSource::removeObserver(DataSourceObserver& observer) {
    std::erase(observers_, &observer);
}

void DataSource::dataSetEvent(ClientDataSet&, DataEvent event) {
    notify(event);
}

void DataSource::dataSetDestroyed(ClientDataSet&) {
    dataSet_ = nullptr;
    notify(DataEvent::DataSetSwitched);
}

void DataSource::notify(DataEvent event) {
    const auto observers = observers_;
    for (auto* observer : observers) {
        if (std::find(observers_.begin(), observers_.end(), observer) != observers_.end())
            observer->dataSourceEvent(*this, event);
    }
}

}  // namespace kvt::data
