// Placeholder until the environment lands.
#include "environment/environment.h"
TQuorinBasicEnvironment::~TQuorinBasicEnvironment() = default;
bool TQuorinBasicEnvironment::SameName(const std::string& a, const std::string& b) { return a == b; }
