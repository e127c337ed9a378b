#include "detail/layer_state.hpp"

namespace zeplo::rec::detail {

UnitBuffers unit_buffers[kUnitCount];

constinit LayerState layer_state;

}  // namespace zeplo::rec::detail
