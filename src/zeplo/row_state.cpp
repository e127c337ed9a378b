#include "row_state.hpp"

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <sys/stat.h>

#include "motion.hpp"
#include "run_arguments.hpp"
#include "sha256.hpp"

namespace zeplo {
namespace {

using Json = nlohmann::ordered_json;

// The object's keys are exactly `keys`.
bool has_keys(const Json& j, std::initializer_list<const char*> keys) {
    if (!j.is_object() || j.size() != keys.size()) return false;
    for (const char* k : keys)
        if (!j.contains(k)) return false;
    return true;
}

bool is_regular(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::optional<std::string> file_text(const std::string& path) {
    if (!is_regular(path)) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

bool records_same_run(const RunRequest& q, const Json& j) {
    try {
        // The same request (every option, the same paths), and the same bytes
        // in the input files now as when the run read them.
        if (!j.is_object() || !j.contains("request") || !j.contains("inputs")) return false;
        const Json& args = j["request"]["arguments"];
        if (!args.is_array() || args != Json(request_arguments(q))) return false;
        const Json& inputs = j["inputs"];
        if (!has_keys(inputs, {"record", "soil"})) return false;
        if (inputs["soil"]["sha256"] != sha256_hex(read_whole_file(q.soil, "soil file"))) return false;
        return inputs["record"]["sha256"] == sha256_hex(read_whole_file(q.record, "record file"));
    } catch (const std::exception&) {
        // An input that no longer reads, or a run.json of another shape.
        return false;
    }
}

std::optional<Json> finished_run(const RunRequest& q) {
    for (const char* name : {"S_amp1", "amp_dat", "zeplo_dat"})
        if (!is_regular(q.out + "/" + name)) return std::nullopt;
    const auto text = file_text(q.out + "/run.json");
    if (!text) return std::nullopt;
    Json j = Json::parse(*text, nullptr, false);
    if (j.is_discarded() || !records_same_run(q, j)) return std::nullopt;
    return j;
}

const char* status_name(RowStatus status) {
    switch (status) {
        case RowStatus::ok: return "ok";
        case RowStatus::failed: return "failed";
        case RowStatus::not_run: break;
    }
    return "not run";
}

std::string log_path(const std::string& batch_dir, const std::string& name) {
    return batch_dir + "/logs/" + name + ".txt";
}

std::optional<std::string> failure_message(const std::string& text) {
    std::optional<std::string> found;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.starts_with("zeplo: ") && !line.starts_with("zeplo: warning: ")) found = line.substr(7);
    }
    return found;
}

RowState row_state(const PlanRow& row, const std::string& batch_dir) {
    RowState state;
    state.run_json = finished_run(row_request(row, batch_dir));
    if (state.run_json) {
        state.status = RowStatus::ok;
        return state;
    }
    if (const auto log = file_text(log_path(batch_dir, row.name))) {
        if (const auto message = failure_message(*log)) {
            state.status = RowStatus::failed;
            state.message = *message;
        } else {
            // A job's standard error is opened when it starts: it is running,
            // or it ended without a word (killed, out of time).
            state.message = "started; no result and no message yet";
        }
    }
    return state;
}

}  // namespace zeplo
