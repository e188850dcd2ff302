// A history record as a JSON object with the file's field names, in the
// file's order: the one list of fields that the history file and the
// command line's history events are both written from.
#pragma once

#include <nlohmann/json.hpp>

#include "app/run_history.h"

nlohmann::ordered_json HistoryJson(const HistoryRecord& record);
