#include "host/vcl/Notebooks.h"

#include "host/vcl/ClassCatalogue.h"

namespace vcl {

TPage::TPage(TComponent* owner, const TClassInfo* cls) : TCustomControl(owner, cls ? cls : ClassByName("TPage")) {}

TTabPage::TTabPage(TComponent* owner, const TClassInfo* cls)
    : TCustomControl(owner, cls ? cls : ClassByName("TTabPage")) {}

TNotebookBase::TNotebookBase(TComponent* owner, const TClassInfo* cls) : TCustomControl(owner, cls) {
    AddKind(ckNotebook);
}

TNotebookBase::~TNotebookBase() { DropKind(ckNotebook); }

TStringList TNotebookBase::Pages() const {
    TStringList pages;
    for (int i = 0; i < ComponentCount(); ++i)
        if (TComponent* c = Components(i); IsPage(c)) {
            auto* page = static_cast<TCustomControl*>(c);
            pages.AddObject(page->Caption(), page);
        }
    return pages;
}

int TNotebookBase::PageCount() const {
    int count = 0;
    for (int i = 0; i < ComponentCount(); ++i) count += IsPage(Components(i)) ? 1 : 0;
    return count;
}

TCustomControl* TNotebookBase::AddPage(const std::string& caption) {
    TCustomControl* page = CreatePage();
    page->SetCaption(caption);
    page->SetParent(this);
    return page;
}

TNotebook::TNotebook(TComponent* owner, const TClassInfo* cls) : TNotebookBase(owner, cls ? cls : ClassByName("TNotebook")) {}

TCustomControl* TNotebook::CreatePage() { return new TPage(this); }

bool TNotebook::IsPage(const TComponent* component) const { return Is<TPage>(component); }

TTabbedNotebook::TTabbedNotebook(TComponent* owner, const TClassInfo* cls)
    : TNotebookBase(owner, cls ? cls : ClassByName("TTabbedNotebook")) {}

TCustomControl* TTabbedNotebook::CreatePage() { return new TTabPage(this); }

bool TTabbedNotebook::IsPage(const TComponent* component) const { return Is<TTabPage>(component); }

}  // namespace vcl
