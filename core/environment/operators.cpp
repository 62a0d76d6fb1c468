#include "environment/environment.h"

void TQuorinEnvironment::CallOperator(int userData, const std::string& name, int form,
                                      std::vector<Quorin::TExValue>& operands,
                                      Quorin::TExValue& result) {
    TQuorinBasicEnvironment::CallOperator(userData, name, form, operands, result);
}

bool TQuorinEnvironment::CallFunction(int userData, const std::string& name,
                                      std::vector<Quorin::TExValue>& arguments,
                                      Quorin::TExValue& result) {
    return TQuorinBasicEnvironment::CallFunction(userData, name, arguments, result);
}
