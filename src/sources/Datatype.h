#pragma once
// AdoTypeName: the name of an ADO data type code as text ("adInteger"), which
// the transfers test by substring to choose target column types.

#include <QString>

#include <cstdint>

namespace tw::Datatype {

// The constant's name for one of ADO's 39 base type codes; the empty text for
// every other 16-bit value (flag bits are not masked).
QString AdoTypeName(std::int16_t code);

} // namespace tw::Datatype
