// Placeholder until the syntax tree lands.
#pragma once
namespace Quorin {
class TItem {
public:
    virtual ~TItem() = default;
};
class TAnalyzedMacro : public TItem {};
}  // namespace Quorin
