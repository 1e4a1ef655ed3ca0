#include "Json.h"

#include <cmath>
#include <cstdio>

namespace tabulon::cli {

std::string jsonString(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char buffer[8];
                    std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
                    out += buffer;
                } else {
                    out += c;
                }
        }
    }
    return out + "\"";
}

std::string jsonValue(const Value& value) {
    switch (value.kind()) {
        case ValueKind::Null:
            return "null";
        case ValueKind::Boolean:
            return value.asBool() ? "true" : "false";
        case ValueKind::Integer:
            return value.toText();
        case ValueKind::Float:
        case ValueKind::Currency:
            return std::isfinite(value.asDouble()) ? value.toText() : "null";
        default:
            return jsonString(value.toText());
    }
}

std::string jsonFields(const std::vector<FieldDef>& fields) {
    std::string out = "[";
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const FieldDef& f = fields[i];
        if (i) out += ",";
        out += "{\"name\":" + jsonString(f.name) + ",\"type\":" + jsonString(fieldTypeName(f.type)) +
               ",\"size\":" + std::to_string(f.size) + ",\"required\":" + (f.required ? "true" : "false");
        // The format's own type letter shows how the driver mapped it.
        if (!f.nativeType.empty())
            out += ",\"native_type\":" + jsonString(f.nativeType) + ",\"decimals\":" + std::to_string(f.decimals);
        out += "}";
    }
    return out + "]";
}

std::string jsonIndexes(const std::vector<IndexDef>& indexes) {
    std::string out = "[";
    for (std::size_t i = 0; i < indexes.size(); ++i) {
        const IndexDef& x = indexes[i];
        if (i) out += ",";
        out += "{\"name\":" + jsonString(x.name) + ",\"fields\":" + jsonString(x.fields) +
               ",\"expression\":" + jsonString(x.expression) + ",\"options\":" + std::to_string(x.options);
        if (!x.usable) out += ",\"problem\":" + jsonString(x.problem);
        out += "}";
    }
    return out + "]";
}

std::string jsonCapabilities(const TableCapabilities& can) {
    const auto flag = [](bool on) { return on ? "true" : "false"; };
    std::string out = std::string("{\"write\":") + flag(can.write) + ",\"transactions\":" + flag(can.transactions) +
                      ",\"indexes\":" + flag(can.indexes) + ",\"index_files\":" + flag(can.indexFiles) +
                      ",\"memo_types\":[";
    for (std::size_t i = 0; i < can.memoTypes.size(); ++i)
        out += (i ? "," : "") + jsonString(fieldTypeName(can.memoTypes[i]));
    return out + "]}";
}

}  // namespace tabulon::cli
