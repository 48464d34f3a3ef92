// A control on a stand-in form (see Form.h): Name, Left, Top, Width and Height in the form's
// scale units, Move left [, top [, width [, height]]], Visible. The form draws it as a framed box.
#pragma once
#include "HostDispatch.h"

namespace wxexamples {

class Form;

class Control : public HostDispatch {
public:
    Control(Form* form, const std::wstring& name);
    void Detach() { form_ = nullptr; }  // its form is gone
    RECT Pixels() const;
    bool visible() const { return visible_; }

protected:
    HRESULT Member(DISPID id, Call& call, wx::Variant& result) override;

private:
    void Changed();

    Form* form_;
    std::wstring name_;
    double left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    bool visible_ = true;
};

}  // namespace wxexamples
