#pragma once

#include <nlohmann/json.hpp>

#include "ops/facts.h"

namespace quelvar::site {

// A reason as reports and manifests keep it: "reason", its English words as
// files have always had them; "kind", the kind that decides it; and "facts",
// every fact as {"kind": ..., "values": [...]}, for the page to word it in
// its language and for scripts. Nothing is written for an empty reason.
void PutReason(nlohmann::ordered_json& object, const ops::Reason& reason);

// The reason of an object such a file holds: its facts where they all read,
// otherwise its words as they stand (files written before kinds; an unknown
// kind of a later tool); empty when there is neither.
ops::Reason ReasonField(const nlohmann::json& object);

}  // namespace quelvar::site
