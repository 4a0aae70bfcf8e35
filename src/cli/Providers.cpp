#include "Providers.h"

#ifdef TW_HAVE_FOXPRO
#include "platform/foxpro/FoxProProvider.h"
#endif
#ifdef TW_HAVE_PARADOX
#include "platform/paradox/ParadoxProvider.h"
#endif
#ifdef TW_HAVE_WORKDB
#include "platform/workdb/WorkDbProvider.h"
#endif

namespace tw::cli {

void registerProviders()
{
#ifdef TW_HAVE_FOXPRO
    foxpro::registerProvider();
#endif
#ifdef TW_HAVE_PARADOX
    paradox::registerProvider();
#endif
#ifdef TW_HAVE_WORKDB
    workdb::registerProvider();
#endif
}

} // namespace tw::cli
