#pragma once

// The data module: the connection to the station's application server and every client dataset,
// data source and persistent field the reports read. One instance lives from the first report
// menu build to the plug-in's unload; creating it connects nothing and opens nothing.

#include <cstdint>
#include <functional>

#include "data/ClientDataSet.h"
#include "data/DataSource.h"
#include "data/Field.h"
#include "data/MConnect.h"
#include "kvtreports/Variant.h"

namespace kvt::data {

// Host value codes the connection rule reads.
inline constexpr std::int32_t kHostServerMode = 11;  // 1: the server runs on this machine
inline constexpr std::int32_t kHostServerComputer = 13;

class TDBFrm {
public:
    TDBFrm();
    // Disconnects the server.
    ~TDBFrm();
    TDBFrm(const TDBFrm&) = delete;
    TDBFrm& operator=(const TDBFrm&) = delete;

    // The host's value for a code; wired to the host's GetHostValue by the plug-in. While it is
    // unset the connection keeps its computer name (this machine).
    std::function<Variant(std::int32_t code)> HostValue;

    // Runs before every connect of KVTServer: unless host value 11 equals the integer 1, the
    // server is created on the computer named by host value 13.
    void KVTServerBeforeConnect(data::KVTServer& server);

    // Declared first: the datasets below register with it and go before it.
    data::KVTServer KVTServer;

    ClientDataSet SmLogtable;
    ClientDataSet vdOrg;
    ClientDataSet vdAuto;
    ClientDataSet bneOrg;
    ClientDataSet PrxTable;
    ClientDataSet TrkLog;
    ClientDataSet VDCnt;
    ClientDataSet VDCar;
    ClientDataSet VDDriver;
    ClientDataSet cdsAutoList;
    ClientDataSet cdsTrkList;

    DataSource SmLogSource;
    DataSource Organization;
    DataSource OrgList;
    DataSource CntDS;
    DataSource CarDS;
    DataSource TrkLogSource;

    // Persistent fields, in each dataset's field order.
    Field& SmLogtableSmNum;
    Field& SmLogtableBegTime;
    Field& SmLogtableEndTime;
    Field& SmLogtableOperator;
    Field& SmLogtableInKKM;
    Field& SmLogtableOutKKM;
    Field& SmLogtableSummaTovary;
    Field& SmLogtableOperator2;
    Field& SmLogtableOperator3;

    Field& vdAutoName;
    Field& vdAutoNumberAuto;
    Field& vdAutoINN;

    Field& bneOrgName;
    Field& bneOrgSkidka;

    Field& PrxTableOpNum;
    Field& PrxTableDate;
    Field& PrxTableSmNum;
    Field& PrxTableOperator;
    Field& PrxTableGSMName;
    Field& PrxTableCarVolTTN;
    Field& PrxTableSiloName;
    Field& PrxTableBegTime;
    Field& PrxTableEndTime;
    Field& PrxTableSiloLevelBefore;
    Field& PrxTableSiloLevelAfter;
    Field& PrxTableFact1;
    Field& PrxTableDopusk;
    Field& PrxTableDelta;
    Field& PrxTableUdVes;
    Field& PrxTableTemper;
    Field& PrxTableFactPlotn;
    Field& PrxTableCor;
    Field& PrxTablePrihod;
    Field& PrxTablePrim;

    Field& TrkLogTime;
    Field& TrkLogClient;
    Field& TrkLogGsm;
    Field& TrkLogOperation;
    Field& TrkLogOp1;
    Field& TrkLogAutoMobil;
    Field& TrkLogOp2;
    Field& TrkLogLiters;
    Field& TrkLogSumma;

    Field& VDCarID;
    Field& VDCarCID;
    Field& VDCarName;
    Field& VDCarIsDelete;

    Field& VDDriverID;
    Field& VDDriverCID;
    Field& VDDriverName;
    Field& VDDriverIsDelete;

private:
    void configureDataSets();
};

// True when a host value equals the integer 1 as the station software compares variants: a
// number or a numeric text of value 1.
bool isHostValueOne(const Variant& value);

}  // namespace kvt::data
