// Placeholder until the check's lexer lands: finds nothing.
#include "meaning/MeaningCheck.h"

namespace kelvra::meaning {

CheckReport CompareMeaning(std::string_view, std::string_view, std::size_t) { return {}; }

} // namespace kelvra::meaning
