#include "Control.h"
#include "Form.h"
#include <cmath>

namespace wxexamples {

namespace {

enum : DISPID { kName = 1, kLeft, kTop, kWidth, kHeight, kMove, kVisible };

const HostDispatch::Name kNames[] = {
    {L"Name", kName}, {L"Left", kLeft}, {L"Top", kTop}, {L"Width", kWidth},
    {L"Height", kHeight}, {L"Move", kMove}, {L"Visible", kVisible},
};

}  // namespace

// A new control has a command button's size, at the form's top left corner.
Control::Control(Form* form, const std::wstring& name)
    : HostDispatch(kNames, sizeof kNames / sizeof kNames[0]), form_(form), name_(name) {
    source_ = L"WxExamples.Control";
    width_ = form->FromPixels(1215 / UnitsPerPixel(1, false), false);
    height_ = form->FromPixels(495 / UnitsPerPixel(1, true), true);
}

RECT Control::Pixels() const {
    RECT r = {0, 0, 0, 0};
    if (!form_) return r;
    r.left = static_cast<LONG>(std::lround(form_->ToPixels(left_, false)));
    r.top = static_cast<LONG>(std::lround(form_->ToPixels(top_, true)));
    r.right = r.left + static_cast<LONG>(std::lround(form_->ToPixels(width_, false)));
    r.bottom = r.top + static_cast<LONG>(std::lround(form_->ToPixels(height_, true)));
    return r;
}

void Control::Changed() {
    if (form_) form_->Paint();
}

HRESULT Control::Member(DISPID id, Call& call, wx::Variant& result) {
    double* field = nullptr;
    switch (id) {
    case kName:
        if (call.put()) throw HostError{383};
        result = Text(name_);
        return S_OK;
    case kLeft: field = &left_; break;
    case kTop: field = &top_; break;
    case kWidth: field = &width_; break;
    case kHeight: field = &height_; break;
    case kVisible:
        if (call.put()) {
            visible_ = call.valueBool();
            Changed();
        } else {
            result = Flag(visible_);
        }
        return S_OK;
    case kMove: {
        double values[4] = {left_, top_, width_, height_};
        for (size_t i = 0; i < 4; ++i)
            if (!call.missing(i)) values[i] = call.number(i);
        if (values[2] < 0 || values[3] < 0) throw HostError{380};
        left_ = values[0];
        top_ = values[1];
        width_ = values[2];
        height_ = values[3];
        Changed();
        return S_OK;
    }
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
    if (call.put()) {
        double value = call.valueNumber();
        if ((field == &width_ || field == &height_) && value < 0) throw HostError{380};
        *field = value;
        Changed();
    } else {
        result = Number(*field);
    }
    return S_OK;
}

}  // namespace wxexamples
