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

#define PELLUCOR_MEMBER(Type, name) \
  Type& MemoryForm::name() {        \
    return impl_->name;             \
  }
PELLUCOR_MEMBER(TextControl, Text_url1)
PELLUCOR_MEMBER(TextControl, Text_from)
PELLUCOR_MEMBER(TextControl, Text_to)
PELLUCOR_MEMBER(TextControl, Text_url2)
PELLUCOR_MEMBER(CheckControl, Check_MaxMsg)
PELLUCOR_MEMBER(CheckControl, Check_Read)
PELLUCOR_MEMBER(ChoiceControl, Combo_bbs)
PELLUCOR_MEMBER(ChoiceControl, Combo_out)
PELLUCOR_MEMBER(TextControl, Text_out)
PELLUCOR_MEMBER(CheckControl, Check_TopicToFilename)
PELLUCOR_MEMBER(CheckControl, Check_devide)
PELLUCOR_MEMBER(ChoiceControl, Option_devidekind)
PELLUCOR_MEMBER(TextControl, Text_devidecnt)
PELLUCOR_MEMBER(ChoiceControl, Combo_devidedatekind)
PELLUCOR_MEMBER(TextControl, Text_devidefilesize)
PELLUCOR_MEMBER(CheckControl, Check_CreateTitleIndex)
PELLUCOR_MEMBER(CheckControl, Check_nooutblank)
PELLUCOR_MEMBER(ChoiceControl, Option_Error)
PELLUCOR_MEMBER(CheckControl, Check_Error_Log)
PELLUCOR_MEMBER(ChoiceControl, Option_Proxy)
PELLUCOR_MEMBER(TextControl, Text_Proxy_address)
PELLUCOR_MEMBER(TextControl, Text_Proxy_port)
PELLUCOR_MEMBER(TextControl, Text_Timeout)
PELLUCOR_MEMBER(TextControl, Text_Retry)
PELLUCOR_MEMBER(TextControl, Label_Network)
PELLUCOR_MEMBER(TextControl, Label_status)
PELLUCOR_MEMBER(Control, Command_Cancel)
#undef PELLUCOR_MEMBER

std::vector<Control*> MemoryForm::AllControls() {
  Impl& i = *impl_;
  return {&i.Text_url1,
          &i.Text_from,
          &i.Text_to,
          &i.Text_url2,
          &i.Check_MaxMsg,
          &i.Check_Read,
          &i.Combo_bbs,
          &i.Combo_out,
          &i.Text_out,
          &i.Check_TopicToFilename,
          &i.Check_devide,
          &i.Option_devidekind,
          &i.Text_devidecnt,
          &i.Combo_devidedatekind,
          &i.Text_devidefilesize,
          &i.Check_CreateTitleIndex,
          &i.Check_nooutblank,
          &i.Option_Error,
          &i.Check_Error_Log,
          &i.Option_Proxy,
          &i.Text_Proxy_address,
          &i.Text_Proxy_port,
          &i.Text_Timeout,
          &i.Text_Retry,
          &i.Label_Network,
          &i.Label_status,
          &i.Command_Cancel};
}

}  // namespace pellucor
