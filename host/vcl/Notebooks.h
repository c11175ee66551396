// Notebooks: controls whose pages are controls owned by the notebook itself, so the pages
// never appear among the form's components.
#pragma once

#include <string>
#include <vector>

#include "host/vcl/Controls.h"

namespace vcl {

class TPage : public TCustomControl {
public:
    explicit TPage(TComponent* owner, const TClassInfo* cls = nullptr);
};

class TTabPage : public TCustomControl {
public:
    explicit TTabPage(TComponent* owner, const TClassInfo* cls = nullptr);
};

// Shared by both notebook kinds. The pages are the page controls the notebook owns, in the
// order it owns them, so the list cannot disagree with the components.
class TNotebookBase : public TCustomControl {
public:
    ~TNotebookBase() override;
    // One entry per page: the page caption, with the page control as its object.
    TStringList Pages() const;
    int PageCount() const;
    // A new page control, owned by and placed in this notebook, captioned caption.
    TCustomControl* AddPage(const std::string& caption);

protected:
    TNotebookBase(TComponent* owner, const TClassInfo* cls);
    virtual TCustomControl* CreatePage() = 0;
    virtual bool IsPage(const TComponent* component) const = 0;
};

template <>
inline constexpr uint8_t kKindOf<TNotebookBase> = ckNotebook;


class TNotebook : public TNotebookBase {
public:
    explicit TNotebook(TComponent* owner, const TClassInfo* cls = nullptr);

protected:
    TCustomControl* CreatePage() override;
    bool IsPage(const TComponent* component) const override;
};

class TTabbedNotebook : public TNotebookBase {
public:
    explicit TTabbedNotebook(TComponent* owner, const TClassInfo* cls = nullptr);

protected:
    TCustomControl* CreatePage() override;
    bool IsPage(const TComponent* component) const override;
};

}  // namespace vcl
