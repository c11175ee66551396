#include "host/db/EngineWarnings.h"

#include <iostream>

#include "host/vcl/SysUtils.h"

namespace dbe {

namespace {

std::function<void(const std::string&)>& Handler() {
    static std::function<void(const std::string&)> handler;
    return handler;
}

}  // namespace

void SetWarningHandler(std::function<void(const std::string&)> handler) { Handler() = std::move(handler); }

void Warn(const std::string& message) {
    if (Handler()) Handler()(message);
    else std::cerr << "tavrinqa: warning: " << vcl::PrintableText(message) << "\n";
}

}  // namespace dbe
