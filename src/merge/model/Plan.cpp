#include "merge/model/Plan.h"

#include <algorithm>

namespace korvane {

std::size_t MergePlan::differences() const {
    return static_cast<std::size_t>(
        std::count_if(items.begin(), items.end(), [](const PlanItem& i) { return i.difference; }));
}

std::size_t MergePlan::needingYou() const {
    return static_cast<std::size_t>(std::count_if(
        items.begin(), items.end(), [](const PlanItem& i) { return i.needsYou && !i.decided; }));
}

}  // namespace korvane
