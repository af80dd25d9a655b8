#pragma once
// The photo record as the external functions library's "PreSave" sees it, and back.
#include "app/external/ExternalFunctionsApi.h"
#include "records/CFoto.h"

namespace bx::external {

// Every field of the record into the block; texts longer than their field are cut
// at a character boundary, events beyond the block's room are left out.
void FillPhotoData(const CFoto& photo, BxPhotoData& data);
// The block back into the record. A text without its terminating zero ends at its
// field's size; an event holding "|" is dropped.
void ReadPhotoData(const BxPhotoData& data, CFoto& photo);

}  // namespace bx::external
