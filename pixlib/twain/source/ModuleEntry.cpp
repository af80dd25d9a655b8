#include "pixlib/twain/source/ModuleEntry.h"

namespace twainsource {

TW_UINT16 RouteToSource(std::unique_ptr<DataSource>& open, SourceFactory make, pTW_IDENTITY origin,
                        TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
  // Why the last open failed, for the source manager's status request.
  static TW_UINT16 openFailure = TWCC_SUCCESS;
  if (dat == DAT_IDENTITY && msg == MSG_OPENDS) {
    if (open != nullptr) {
      openFailure = TWCC_MAXCONNECTIONS;
      return TWRC_FAILURE;
    }
    open = make();
    const TW_UINT16 rc = open->Entry(origin, dg, dat, msg, data);
    if (rc != TWRC_SUCCESS) {
      TW_STATUS status{};
      open->Entry(origin, DG_CONTROL, DAT_STATUS, MSG_GET, &status);
      openFailure = status.ConditionCode;
      open.reset();
    }
    return rc;
  }
  if (open == nullptr) {
    if (dat != DAT_STATUS || data == nullptr) return TWRC_FAILURE;
    *static_cast<TW_STATUS*>(data) = TW_STATUS{openFailure, 0};
    openFailure = TWCC_SUCCESS;
    return TWRC_SUCCESS;
  }
  const TW_UINT16 rc = open->Entry(origin, dg, dat, msg, data);
  if (dat == DAT_IDENTITY && msg == MSG_CLOSEDS && rc == TWRC_SUCCESS) open.reset();
  return rc;
}

}  // namespace twainsource
