#include "Providers.h"

#include "platform/foxpro/FoxProProvider.h"
#include "platform/paradox/ParadoxProvider.h"
#include "platform/workdb/WorkDbProvider.h"

namespace tw::cli {

void registerProviders()
{
    foxpro::registerProvider();
    paradox::registerProvider();
    workdb::registerProvider();
}

} // namespace tw::cli
