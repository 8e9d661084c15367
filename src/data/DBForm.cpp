#include "data/DBForm.h"

#include <optional>
#include <string>
#include <utility>

namespace kvt::data {

namespace {

using appserver::FieldDef;
using appserver::FieldType;

// How a persistent field presents itself; unset members keep the field's defaults.
struct Look {
    std::string label{};
    bool visible = true;
    int width = 0;
    std::optional<FieldAlignment> alignment{};
    std::string format{};
    bool currency = false;
    std::string origin{};
};

// A function, as a constant holding strings would be built at load time, in no fixed order.
Look hidden() {
    return Look{.visible = false};
}

Field& declare(ClientDataSet& dataSet, FieldDef def, const Look& look = {}) {
    Field& field = dataSet.AddField(std::move(def));
    field.DisplayLabel = look.label;
    field.Visible = look.visible;
    field.DisplayWidth = look.width;
    if (look.alignment)
        field.Alignment = *look.alignment;
    field.DisplayFormat = look.format;
    field.Currency = look.currency;
    field.Origin = look.origin;
    return field;
}

// Pump log columns are centred unless the log says otherwise.
Look centred(std::string label, int width, std::string origin = {}) {
    return {.label = std::move(label),
            .width = width,
            .alignment = FieldAlignment::Center,
            .origin = std::move(origin)};
}

constexpr int AllRecords = -1;

}  // namespace

bool isHostValueOne(const Variant& value) {
    if (value.isNull() || value.isEmpty() || value.isArray() || value.type() == VarType::Bool)
        return false;
    try {
        return value.toDouble() == 1.0;
    } catch (const VariantError&) {
        return false;
    }
}

TDBFrm::TDBFrm()
    : KVTServer("KVTServer"),
      SmLogtable("SmLogtable"),
      vdOrg("vdOrg"),
      vdAuto("vdAuto"),
      bneOrg("bneOrg"),
      PrxTable("PrxTable"),
      TrkLog("TrkLog"),
      VDCnt("VDCnt"),
      VDCar("VDCar"),
      VDDriver("VDDriver"),
      cdsAutoList("cdsAutoList"),
      cdsTrkList("cdsTrkList"),
      SmLogSource("SmLogSource", &SmLogtable),
      Organization("Organization", &vdOrg),
      OrgList("OrgList", &vdAuto),
      CntDS("CntDS", &VDCnt),
      CarDS("CarDS", &VDCar),
      TrkLogSource("TrkLogSource", &TrkLog),
      SmLogtableSmNum(declare(SmLogtable, {"SmNum", FieldType::Integer, 0}, {"Номер смены"})),
      SmLogtableBegTime(
          declare(SmLogtable, {"BegTime", FieldType::DateTime, 0}, {"Время открытия"})),
      SmLogtableEndTime(
          declare(SmLogtable, {"EndTime", FieldType::DateTime, 0}, {"Время закрытия"})),
      SmLogtableOperator(declare(SmLogtable, {"Operator", FieldType::String, 30}, {"Оператор"})),
      SmLogtableInKKM(declare(SmLogtable, {"InKKM", FieldType::Currency, 0}, hidden())),
      SmLogtableOutKKM(declare(SmLogtable, {"OutKKM", FieldType::Currency, 0}, hidden())),
      SmLogtableSummaTovary(declare(SmLogtable, {"SummaTovary", FieldType::Currency, 0}, hidden())),
      SmLogtableOperator2(declare(SmLogtable, {"Operator2", FieldType::String, 30}, hidden())),
      SmLogtableOperator3(declare(SmLogtable, {"Operator3", FieldType::String, 30}, hidden())),
      vdAutoName(declare(vdAuto, {"Name", FieldType::String, 50})),
      vdAutoNumberAuto(declare(vdAuto, {"NumberAuto", FieldType::String, 15}, {"Автомобиль"})),
      vdAutoINN(declare(vdAuto, {"INN", FieldType::String, 20},
                        {.visible = false, .origin = "KVT.\"vedOrg.DB\".INN"})),
      bneOrgName(declare(bneOrg, {"Name", FieldType::String, 60}, {"Наименование"})),
      bneOrgSkidka(declare(bneOrg, {"Skidka", FieldType::Float, 0}, hidden())),
      PrxTableOpNum(declare(PrxTable, {"OpNum", FieldType::Integer, 0}, hidden())),
      PrxTableDate(declare(PrxTable, {"Date", FieldType::Date, 0}, {"Дата привоза ГСМ"})),
      PrxTableSmNum(declare(PrxTable, {"SmNum", FieldType::Integer, 0}, hidden())),
      PrxTableOperator(declare(PrxTable, {"Operator", FieldType::String, 20}, hidden())),
      PrxTableGSMName(declare(PrxTable, {"GSMName", FieldType::String, 20}, {"Наименование ГСМ"})),
      PrxTableCarVolTTN(
          declare(PrxTable, {"CarVolTTN", FieldType::Float, 0}, {"Принято по накл."})),
      PrxTableSiloName(declare(PrxTable, {"SiloName", FieldType::String, 20}, {"Емкость"})),
      PrxTableBegTime(declare(PrxTable, {"BegTime", FieldType::DateTime, 0}, {"Начало слива"})),
      PrxTableEndTime(declare(PrxTable, {"EndTime", FieldType::DateTime, 0}, hidden())),
      PrxTableSiloLevelBefore(
          declare(PrxTable, {"SiloLevelBefore", FieldType::Float, 0}, hidden())),
      PrxTableSiloLevelAfter(declare(PrxTable, {"SiloLevelAfter", FieldType::Float, 0}, hidden())),
      PrxTableFact1(declare(PrxTable, {"Fact1", FieldType::Float, 0}, hidden())),
      PrxTableDopusk(declare(PrxTable, {"Dopusk", FieldType::Float, 0}, hidden())),
      PrxTableDelta(declare(PrxTable, {"Delta", FieldType::Float, 0}, hidden())),
      PrxTableUdVes(declare(PrxTable, {"UdVes", FieldType::Float, 0}, hidden())),
      PrxTableTemper(declare(PrxTable, {"Temper", FieldType::Float, 0}, hidden())),
      PrxTableFactPlotn(
          declare(PrxTable, {"FactPlotn", FieldType::Float, 0}, {"Плотность в резервуаре"})),
      PrxTableCor(declare(PrxTable, {"Cor", FieldType::Boolean, 0}, hidden())),
      PrxTablePrihod(declare(PrxTable, {"Prihod", FieldType::Boolean, 0}, hidden())),
      PrxTablePrim(declare(PrxTable, {"Prim", FieldType::String, 50}, {"Примечание"})),
      TrkLogTime(declare(TrkLog, {"Time", FieldType::DateTime, 0},
                         centred("Время", 18, "\"Trk.DB\".Time"))),
      TrkLogClient(declare(TrkLog, {"Client", FieldType::SmallInt, 0},
                           centred("Опер.", 5, "KVT.\"Trk.DB\".Client"))),
      TrkLogGsm(declare(TrkLog, {"Gsm", FieldType::String, 10}, centred("ГСМ", 9))),
      TrkLogOperation(
          declare(TrkLog, {"Operation", FieldType::SmallInt, 0}, centred("Операция", 12))),
      TrkLogOp1(declare(TrkLog, {"Op1", FieldType::SmallInt, 0}, centred("Вид оплаты", 17))),
      TrkLogAutoMobil(
          declare(TrkLog, {"AutoMobil", FieldType::String, 15}, centred("Покупатель", 15))),
      TrkLogOp2(declare(TrkLog, {"Op2", FieldType::SmallInt, 0}, centred("Тип отлива", 8))),
      TrkLogLiters(declare(
          TrkLog, {"Liters", FieldType::Float, 0},
          {.label = "Литры", .width = 9, .alignment = FieldAlignment::Left, .format = "0.00"})),
      TrkLogSumma(declare(
          TrkLog, {"Summa", FieldType::Float, 0},
          {.label = "Сумма", .width = 11, .alignment = FieldAlignment::Left, .currency = true})),
      VDCarID(declare(VDCar, {"ID", FieldType::String, 8}, hidden())),
      VDCarCID(declare(VDCar, {"CID", FieldType::String, 8}, hidden())),
      VDCarName(declare(VDCar, {"Name", FieldType::String, 20}, {"Автомобиль"})),
      VDCarIsDelete(declare(VDCar, {"IsDelete", FieldType::Boolean, 0}, hidden())),
      VDDriverID(declare(VDDriver, {"ID", FieldType::String, 8}, hidden())),
      VDDriverCID(declare(VDDriver, {"CID", FieldType::String, 8}, hidden())),
      VDDriverName(declare(VDDriver, {"Name", FieldType::String, 40}, {"Водитель"})),
      VDDriverIsDelete(declare(VDDriver, {"IsDelete", FieldType::Boolean, 0}, hidden())) {
    configureDataSets();
    KVTServer.BeforeConnect = [this](data::KVTServer& server) { KVTServerBeforeConnect(server); };
}

TDBFrm::~TDBFrm() {
    KVTServer.Close();
}

void TDBFrm::configureDataSets() {
    struct Settings {
        ClientDataSet& dataSet;
        const char* provider;
        int packetRecords;
    };
    for (const Settings& s :
         {Settings{SmLogtable, "SmLogProvider", AllRecords}, Settings{vdOrg, "Organization", 20},
          Settings{vdAuto, "AutoMobil", 20}, Settings{bneOrg, "BneOrgProvider", 20},
          Settings{PrxTable, "PrxLogProvider", 10}, Settings{TrkLog, "TrkLogProvider", 101},
          Settings{VDCnt, "VdContractorDSP", AllRecords}, Settings{VDCar, "VdCarDSP", AllRecords},
          Settings{VDDriver, "VdDriverDSP", AllRecords},
          Settings{cdsAutoList, "PrxLogProvider", 10},
          Settings{cdsTrkList, "PrxLogProvider", 101}}) {
        s.dataSet.ProviderName = s.provider;
        s.dataSet.PacketRecords = s.packetRecords;
        s.dataSet.SetRemoteServer(&KVTServer);
    }

    vdOrg.SetFiltered(true);

    vdAuto.SetFiltered(true);
    vdAuto.SetIndexFieldNames("Name");
    vdAuto.SetMasterSource(&Organization);
    vdAuto.SetMasterFields("Name");

    bneOrg.SetFiltered(true);
    bneOrg.SetIndexFieldNames("Name");

    PrxTable.ReadOnly = true;

    TrkLog.ReadOnly = true;
    TrkLog.FetchOnDemand = false;
    TrkLog.Params().CreateParam("TrkName", FieldType::String, Variant("1"));
    TrkLogSource.AutoEdit = false;

    // Deleted contractors, cars and drivers never reach the lists.
    for (ClientDataSet* list : {&VDCnt, &VDCar, &VDDriver}) {
        list->SetFilter("IsDelete=false");
        list->SetFiltered(true);
    }
    VDCnt.SetIndexFieldNames("Name");
    // The runners make the cars and drivers details of the contractors through CntDS.
    for (ClientDataSet* detail : {&VDCar, &VDDriver}) {
        detail->SetIndexFieldNames("CID");
        detail->SetMasterFields("ID");
    }

    cdsAutoList.ReadOnly = true;
    cdsAutoList.CommandText = "SELECT DISTINCT CarName FROM Prx ORDER BY CarName";
    cdsTrkList.ReadOnly = true;
    cdsTrkList.CommandText = "SELECT DISTINCT Trk FROM Trk ORDER BY Trk";
}

void TDBFrm::KVTServerBeforeConnect(data::KVTServer& server) {
    if (!HostValue)
        return;
    if (!isHostValueOne(HostValue(kHostServerMode)))
        server.SetComputerName(HostValue(kHostServerComputer).toString());
}

}  // namespace kvt::data
