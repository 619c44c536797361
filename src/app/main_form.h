// The main window's values as the engine sees them. The engine reads the controls at the
// moment of use and writes some back; the desktop window implements this over its widgets,
// MemoryForm over plain values (the CLI and the tests).
#pragma once

#include <memory>
#include <vector>

#include "common/text.h"

namespace pellucor {

class Control {
 public:
  virtual ~Control() = default;
  virtual bool Enabled() const = 0;
  virtual void SetEnabled(bool enabled) = 0;
};

class TextControl : public Control {  // text boxes and labels
 public:
  virtual Text Value() const = 0;
  virtual void SetValue(const Text& value) = 0;
};

class CheckControl : public Control {  // check boxes: 0 or 1
 public:
  virtual int Value() const = 0;
  virtual void SetValue(int value) = 0;
};

class ChoiceControl : public Control {  // option groups and drop-down lists: index, -1 for none
 public:
  virtual int Index() const = 0;
  virtual void SetIndex(int index) = 0;
};

class MainForm {
 public:
  virtual ~MainForm() = default;

  // Frame_Url
  virtual TextControl& Text_url1() = 0;
  virtual TextControl& Text_from() = 0;
  virtual TextControl& Text_to() = 0;
  virtual TextControl& Text_url2() = 0;
  virtual CheckControl& Check_MaxMsg() = 0;
  virtual CheckControl& Check_Read() = 0;
  // Definitions: positions in the catalogue
  virtual ChoiceControl& Combo_bbs() = 0;
  virtual ChoiceControl& Combo_out() = 0;
  // Frame_OutFile
  virtual TextControl& Text_out() = 0;
  virtual CheckControl& Check_TopicToFilename() = 0;
  virtual CheckControl& Check_devide() = 0;
  virtual ChoiceControl& Option_devidekind() = 0;  // 0 count, 1 date, 2 size
  virtual TextControl& Text_devidecnt() = 0;
  virtual ChoiceControl& Combo_devidedatekind() = 0;  // 0 daily, 1 weekly, 2 monthly
  virtual TextControl& Text_devidefilesize() = 0;
  virtual CheckControl& Check_CreateTitleIndex() = 0;
  virtual CheckControl& Check_nooutblank() = 0;
  // Frame_Error
  virtual ChoiceControl& Option_Error() = 0;  // 0 ask, 1 ignore, 2 receive again
  virtual CheckControl& Check_Error_Log() = 0;
  // Network values
  virtual ChoiceControl& Option_Proxy() = 0;  // 0 system default, 1 direct, 2 named proxy
  virtual TextControl& Text_Proxy_address() = 0;
  virtual TextControl& Text_Proxy_port() = 0;
  virtual TextControl& Text_Timeout() = 0;
  virtual TextControl& Text_Retry() = 0;
  virtual TextControl& Label_Network() = 0;
  // Status line; the window shows a write at once.
  virtual TextControl& Label_status() = 0;
  virtual Control& Command_Cancel() = 0;

  // Every control of the window, for SetControlsEnabled("AllControl", ...).
  virtual std::vector<Control*> AllControls() = 0;

  // Set by Cancel and Exit, cleared when a run, version check or download starts.
  bool cancel_requested = true;
};

// Plain values: the CLI's window and the tests'.
class MemoryForm : public MainForm {
 public:
  MemoryForm();
  ~MemoryForm() override;

  TextControl& Text_url1() override;
  TextControl& Text_from() override;
  TextControl& Text_to() override;
  TextControl& Text_url2() override;
  CheckControl& Check_MaxMsg() override;
  CheckControl& Check_Read() override;
  ChoiceControl& Combo_bbs() override;
  ChoiceControl& Combo_out() override;
  TextControl& Text_out() override;
  CheckControl& Check_TopicToFilename() override;
  CheckControl& Check_devide() override;
  ChoiceControl& Option_devidekind() override;
  TextControl& Text_devidecnt() override;
  ChoiceControl& Combo_devidedatekind() override;
  TextControl& Text_devidefilesize() override;
  CheckControl& Check_CreateTitleIndex() override;
  CheckControl& Check_nooutblank() override;
  ChoiceControl& Option_Error() override;
  CheckControl& Check_Error_Log() override;
  ChoiceControl& Option_Proxy() override;
  TextControl& Text_Proxy_address() override;
  TextControl& Text_Proxy_port() override;
  TextControl& Text_Timeout() override;
  TextControl& Text_Retry() override;
  TextControl& Label_Network() override;
  TextControl& Label_status() override;
  Control& Command_Cancel() override;
  std::vector<Control*> AllControls() override;

  // Every value ever written to Label_status, in order (the CLI prints them; tests read them).
  std::vector<Text> status_history;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace pellucor
