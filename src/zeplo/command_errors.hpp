// How a subcommand's failures reach the user.
#pragma once

#include "formats.hpp"
#include "motion.hpp"
#include "output_folder.hpp"
#include "soil_file.hpp"

namespace zeplo {

template <class Body>
int guarded(Body body) {
    try {
        return body();
    } catch (const UserError& e) {
        return report_failure(e.what());
    } catch (const OutputError& e) {
        return report_failure(e.what());
    } catch (const formats::ReadError& e) {
        return report_failure(e.what());
    } catch (const SoilFileError& e) {
        return report_failure(e.what());
    }
}

}  // namespace zeplo
