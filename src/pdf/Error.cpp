#include "pdf/Error.h"

#include <utility>

namespace pdf {
namespace {

std::string format(const Error::Place& place, const std::string& operation,
                   const std::string& reason, int object) {
    std::string message;
    auto append = [&message](const std::string& part) {
        if (part.empty()) return;
        if (!message.empty()) message += ": ";
        message += part;
    };
    append(place.file);
    if (place.page > 0) append("page " + std::to_string(place.page));
    append(operation);
    if (object > 0) message += " (object " + std::to_string(object) + ")";
    append(reason);
    return message;
}

}  // namespace

Error::Error(std::string operation, std::string reason, int object)
    : Error(Place{}, std::move(operation), std::move(reason), object) {}

Error::Error(Place place, std::string operation, std::string reason, int object)
    : place_(std::move(place)),
      operation_(std::move(operation)),
      reason_(std::move(reason)),
      object_(object),
      message_(format(place_, operation_, reason_, object_)) {}

Error Error::within(const Place& place, const std::string& operation) const {
    Place merged = place_;
    if (merged.file.empty()) merged.file = place.file;
    if (merged.page == 0) merged.page = place.page;
    std::string operations = operation;
    if (!operation_.empty()) operations += (operations.empty() ? "" : ": ") + operation_;
    return Error(merged, operations, reason_, object_);
}

}  // namespace pdf
