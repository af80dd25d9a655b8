#pragma once
// The open/close routing a data source library's DS_Entry shares: the
// library keeps at most one open source, made by `make` on MSG_OPENDS and
// dropped once MSG_CLOSEDS succeeds.

#include <memory>

#include "pixlib/twain/source/DataSource.h"

namespace twainsource {

using SourceFactory = std::unique_ptr<DataSource> (*)();

TW_UINT16 RouteToSource(std::unique_ptr<DataSource>& open, SourceFactory make, pTW_IDENTITY origin,
                        TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);

}  // namespace twainsource
