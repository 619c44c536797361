// The main window's values as the engine sees them. The engine reads the controls at the
// moment of use and writes some back; the desktop window implements this over its widgets,
// MemoryForm over plain values (the CLI and the tests).
#pragma once

#include <atomic>
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

// Every control the engine reaches, once, as X(kind, name): the interface, MemoryForm and the
// desktop window all expand this list, so they cannot drift apart.
#define PELLUCOR_MAIN_FORM_CONTROLS(X)    \
  X(TextControl, Text_url1)               \
  X(TextControl, Text_from)               \
  X(TextControl, Text_to)                 \
  X(TextControl, Text_url2)               \
  X(CheckControl, Check_MaxMsg)           \
  X(CheckControl, Check_Read)             \
  X(ChoiceControl, Combo_bbs)             \
  X(ChoiceControl, Combo_out)             \
  X(TextControl, Text_out)                \
  X(CheckControl, Check_TopicToFilename)  \
  X(CheckControl, Check_devide)           \
  X(ChoiceControl, Option_devidekind)     \
  X(TextControl, Text_devidecnt)          \
  X(ChoiceControl, Combo_devidedatekind)  \
  X(TextControl, Text_devidefilesize)     \
  X(CheckControl, Check_CreateTitleIndex) \
  X(CheckControl, Check_nooutblank)       \
  X(ChoiceControl, Option_Error)          \
  X(CheckControl, Check_Error_Log)        \
  X(ChoiceControl, Option_Proxy)          \
  X(TextControl, Text_Proxy_address)      \
  X(TextControl, Text_Proxy_port)         \
  X(TextControl, Text_Timeout)            \
  X(TextControl, Text_Retry)              \
  X(TextControl, Label_Network)           \
  X(TextControl, Label_status)            \
  X(Control, Command_Cancel)

#define PELLUCOR_DECLARE_CONTROL(Kind, name) virtual Kind& name() = 0;
#define PELLUCOR_OVERRIDE_CONTROL(Kind, name) Kind& name() override;

class MainForm {
 public:
  virtual ~MainForm() = default;

  // Named as the controls; the meaning of the indexes is given where they are used:
  // Option_devidekind 0 count, 1 date, 2 size; Combo_devidedatekind 0 daily, 1 weekly,
  // 2 monthly; Option_Error 0 ask, 1 ignore, 2 receive again; Option_Proxy 0 system default,
  // 1 direct, 2 named proxy; Combo_bbs / Combo_out are positions in the catalogue.
  PELLUCOR_MAIN_FORM_CONTROLS(PELLUCOR_DECLARE_CONTROL)

  // Every control of the window, for SetControlsEnabled("AllControl", ...).
  virtual std::vector<Control*> AllControls() = 0;

  // Set by Cancel and Exit, cleared when a run, version check or download starts. The window
  // sets it on its own thread while the run reads it on the worker's.
  std::atomic<bool> cancel_requested{true};
  // A Cancel (or close) that came after the window handed work over but before the work
  // started: the start takes it as the cancel request instead of clearing it.
  std::atomic<bool> cancel_at_start{false};
};

// Plain values: the CLI's window and the tests'.
class MemoryForm : public MainForm {
 public:
  MemoryForm();
  ~MemoryForm() override;

  PELLUCOR_MAIN_FORM_CONTROLS(PELLUCOR_OVERRIDE_CONTROL)
  std::vector<Control*> AllControls() override;

  // Every value ever written to Label_status, in order (the CLI prints them; tests read them).
  std::vector<Text> status_history;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace pellucor
