#include "app/main_form.h"

namespace pellucor {
namespace {

class MemControl : public Control {
 public:
  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool enabled) override { enabled_ = enabled; }

 private:
  bool enabled_ = true;
};

class MemText : public TextControl {
 public:
  explicit MemText(Text initial = {}, std::vector<Text>* history = nullptr)
      : value_(std::move(initial)), history_(history) {}
  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool enabled) override { enabled_ = enabled; }
  Text Value() const override { return value_; }
  void SetValue(const Text& value) override {
    value_ = value;
    if (history_) history_->push_back(value);
  }

 private:
  bool enabled_ = true;
  Text value_;
  std::vector<Text>* history_;
};

class MemCheck : public CheckControl {
 public:
  explicit MemCheck(int initial = 0) : value_(initial) {}
  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool enabled) override { enabled_ = enabled; }
  int Value() const override { return value_; }
  void SetValue(int value) override { value_ = value ? 1 : 0; }

 private:
  bool enabled_ = true;
  int value_;
};

class MemChoice : public ChoiceControl {
 public:
  explicit MemChoice(int initial = 0) : index_(initial) {}
  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool enabled) override { enabled_ = enabled; }
  int Index() const override { return index_; }
  void SetIndex(int index) override { index_ = index; }

 private:
  bool enabled_ = true;
  int index_;
};

}  // namespace

// Initial values are the window's design-time values, before pellu.ini is read.
struct MemoryForm::Impl {
  explicit Impl(std::vector<Text>* history) : Label_status({}, history) {}
  MemText Text_url1, Text_from, Text_to{u"100"}, Text_url2;
  MemCheck Check_MaxMsg, Check_Read;
  MemChoice Combo_bbs{-1}, Combo_out{-1};
  MemText Text_out{u"/"};
  MemCheck Check_TopicToFilename, Check_devide;
  MemChoice Option_devidekind{0};
  MemText Text_devidecnt{u"1000"};
  MemChoice Combo_devidedatekind{0};
  MemText Text_devidefilesize{u"1000"};
  MemCheck Check_CreateTitleIndex, Check_nooutblank;
  MemChoice Option_Error{0};
  MemCheck Check_Error_Log;
  MemChoice Option_Proxy{0};
  MemText Text_Proxy_address{u"192.168.0.1"}, Text_Proxy_port{u"8080"}, Text_Timeout,
      Text_Retry{u"100"}, Label_Network;
  MemText Label_status;
  MemControl Command_Cancel;
};

MemoryForm::MemoryForm() : impl_(std::make_unique<Impl>(&status_history)) {}
MemoryForm::~MemoryForm() = default;

#define PELLUCOR_MEMBER(Kind, name) \
  Kind& MemoryForm::name() {        \
    return impl_->name;             \
  }
PELLUCOR_MAIN_FORM_CONTROLS(PELLUCOR_MEMBER)
#undef PELLUCOR_MEMBER

std::vector<Control*> MemoryForm::AllControls() {
#define PELLUCOR_ADDRESS(Kind, name) &impl_->name,
  return {PELLUCOR_MAIN_FORM_CONTROLS(PELLUCOR_ADDRESS)};
#undef PELLUCOR_ADDRESS
}

}  // namespace pellucor
