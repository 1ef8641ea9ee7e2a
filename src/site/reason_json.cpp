#include "site/reason_json.h"

#include <optional>

#include "site/json_fields.h"

namespace quelvar::site {

namespace {

// The facts of `list`, or nullopt when any of them does not read.
std::optional<ops::Reason> factsOf(const nlohmann::json& list) {
    if (!list.is_array() || list.empty()) return std::nullopt;
    ops::Reason reason;
    for (const nlohmann::json& entry : list) {
        std::optional<ops::FactKind> kind = ops::KindNamed(StringField(entry, "kind"));
        if (!kind) return std::nullopt;
        ops::Fact fact{*kind, {}};
        if (auto values = entry.find("values"); values != entry.end()) {
            if (!values->is_array()) return std::nullopt;
            for (const nlohmann::json& value : *values) {
                if (!value.is_string()) return std::nullopt;
                fact.values.push_back(value.get<std::string>());
            }
        }
        reason.push_back(std::move(fact));
    }
    return reason;
}

}  // namespace

void PutReason(nlohmann::ordered_json& object, const ops::Reason& reason) {
    if (reason.empty()) return;
    object["reason"] = ops::WordsOf(reason, platform::Language::English);
    object["kind"] = ops::KindName(ops::DecidingKind(reason));
    nlohmann::ordered_json facts = nlohmann::ordered_json::array();
    for (const ops::Fact& fact : reason) {
        facts.push_back({{"kind", ops::KindName(fact.kind)}, {"values", fact.values}});
    }
    object["facts"] = std::move(facts);
}

ops::Reason ReasonField(const nlohmann::json& object) {
    if (object.is_object()) {
        if (auto facts = object.find("facts"); facts != object.end()) {
            if (std::optional<ops::Reason> reason = factsOf(*facts)) return *reason;
        }
    }
    return ops::ReasonFromText(StringField(object, "reason"));
}

}  // namespace quelvar::site
