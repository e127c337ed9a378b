#include "detail/layer_state.hpp"

namespace zeplo::rec::detail {

LayerState& layer() {
    static LayerState state;
    return state;
}

}  // namespace zeplo::rec::detail
