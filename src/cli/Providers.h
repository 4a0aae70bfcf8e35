#pragma once
// Registers the providers the command-line program can open.

namespace tw::cli {
void registerProviders();
}
