// What the outline tool tests share: the tree an outline window showed when it closed.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/cfrminfo.h"
#include "host/controls/Outline.h"
#include "host/controls/StdCtrls.h"
#include "host/vcl/Notebooks.h"
#include "outline/Parento2.h"
#include "tests/support/ToolTestSupport.h"

namespace outlinetest {

using Names = std::vector<std::string>;

// An outline's lines read back as a tree of item texts.
struct Tree {
    std::vector<std::pair<std::string, int>> items;  // text, level from 0

    explicit Tree(const vcl::TLines& lines = {}) {
        for (const std::string& line : lines) {
            const size_t level = line.find_first_not_of('\t');
            items.emplace_back(line.substr(level), int(level));
        }
    }
    int Find(const std::string& text) const {
        for (size_t i = 0; i < items.size(); ++i)
            if (items[i].first == text) return int(i);
        return -1;
    }
    bool Has(const std::string& text) const { return Find(text) >= 0; }
    // The texts directly under the first item with that text, in order.
    Names Children(const std::string& text) const {
        Names children;
        const int at = Find(text);
        for (size_t i = size_t(at + 1); at >= 0 && i < items.size() && items[i].second > items[size_t(at)].second; ++i)
            if (items[i].second == items[size_t(at)].second + 1) children.push_back(items[i].first);
        return children;
    }
};

using testsupport::CodeBackend;

class ToolTest : public testsupport::ToolTest {
protected:
    // Runs an entry procedure on `on` (the form by default); `act` plays the person in the
    // outline window. The tree the window closed with lands in shown.
    CodeBackend Run(void (*entry)(vcl::TComponent*), std::function<vcl::TModalResult()> act = nullptr,
                    vcl::TComponent* on = nullptr) {
        CodeBackend backend;
        backend.onModal = [&](vcl::TCustomForm&) {
            const vcl::TModalResult result = act ? act() : vcl::mrCancel;
            shown = Tree(tavrin::FrmInfo->OutlineParent->Lines());
            return result;
        };
        ui::TInstalled installed(backend);
        entry(on ? on : form);
        return backend;
    }

    Tree shown;
};

}  // namespace outlinetest
