#include "form_main.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

#include "app/about.h"
#include "app/form_values.h"
#include "app/error_log_view.h"
#include "app/network.h"
#include "app/patrol.h"
#include "app/program.h"
#include "app/settings.h"
#include "app/url_recognition.h"
#include "app/window_actions.h"
#include "common/files.h"
#include "engine/definitions.h"
#include "app/run_command.h"
#include "app/run_journal.h"
#include "form_download.h"
#include "form_network.h"
#include "form_record.h"
#include "history/store.h"
#include "history/view.h"
#include "pellucor_revision.h"
#include "platform/clock.h"
#include "platform/shell.h"
#include "platform/ui.h"
#include "qt_controls.h"
#include "qt_text.h"
#include "wait_field.h"
#include "update/update.h"
#include "viewer/result_viewer.h"
#include "worker.h"

namespace pellucor::gui {

namespace {

QString S(const char16_t* s) {
  return QString::fromUtf16(s);
}

// The text a drop carries: its plain text, else the address of a dragged link. A list of files
// carries none, even when it comes with the paths as text (and Qt offers them as text anyway).
Text DroppedText(const QMimeData* mime) {
  if (!mime) return {};
  const bool link = mime->hasUrls() && !mime->urls().isEmpty();
  if (link && mime->urls().first().isLocalFile()) return {};
  if (mime->hasText() && !mime->text().isEmpty()) return ToText(mime->text());
  if (link) return ToText(mime->urls().first().toString());
  return {};
}

// The first dropped file's full path.
Text DroppedFile(const QMimeData* mime) {
  if (!mime || !mime->hasUrls()) return {};
  for (const QUrl& url : mime->urls())
    if (url.isLocalFile()) return ToText(url.toLocalFile());
  return {};
}

}  // namespace

struct Form_main::Adapters {
  Adapters(Form_main& f)
      : Text_url1(f.text_url1_, &f.lock_),
        Text_from(f.text_from_, &f.lock_),
        Text_to(f.text_to_, &f.lock_),
        Text_url2(f.text_url2_, &f.lock_),
        Check_MaxMsg(f.check_maxmsg_, &f.lock_),
        Check_Read(f.check_read_, &f.lock_),
        Combo_bbs(f.combo_bbs_, &f.lock_),
        Combo_out(f.combo_out_, &f.lock_),
        Text_out(f.text_out_, &f.lock_),
        Check_TopicToFilename(f.check_topictofilename_, &f.lock_),
        Check_devide(f.check_devide_, &f.lock_),
        Option_devidekind(f.option_devidekind_, &f.lock_),
        Text_devidecnt(f.text_devidecnt_, &f.lock_),
        Combo_devidedatekind(f.combo_devidedatekind_, &f.lock_),
        Text_devidefilesize(f.text_devidefilesize_, &f.lock_),
        Check_CreateTitleIndex(f.check_createtitleindex_, &f.lock_),
        Check_nooutblank(f.check_nooutblank_, &f.lock_),
        Option_Error(f.option_error_, &f.lock_),
        Check_Error_Log(f.check_error_log_, &f.lock_),
        Option_Proxy(f.option_proxy_, &f.lock_),
        Text_Proxy_address(f.text_proxy_address_, &f.lock_),
        Text_Proxy_port(f.text_proxy_port_, &f.lock_),
        Text_Timeout(f.text_timeout_, &f.lock_),
        Text_Retry(f.text_retry_, &f.lock_),
        Label_Network(f.label_network_, &f.lock_),
        Label_status(f.label_status_, &f.lock_),
        Command_Cancel(f.command_cancel_, &f.lock_) {}
  LineEditControl Text_url1, Text_from, Text_to, Text_url2;
  CheckBoxControl Check_MaxMsg, Check_Read;
  ComboControl Combo_bbs, Combo_out;
  LineEditControl Text_out;
  CheckBoxControl Check_TopicToFilename, Check_devide;
  OptionGroupControl Option_devidekind;
  LineEditControl Text_devidecnt;
  ComboControl Combo_devidedatekind;
  LineEditControl Text_devidefilesize;
  CheckBoxControl Check_CreateTitleIndex, Check_nooutblank;
  OptionGroupControl Option_Error;
  CheckBoxControl Check_Error_Log;
  OptionGroupControl Option_Proxy;
  LineEditControl Text_Proxy_address, Text_Proxy_port, Text_Timeout, Text_Retry;
  LabelControl Label_Network, Label_status;
  WidgetControl Command_Cancel;
};

QLineEdit* Form_main::Edit(const char* name, const QString& text, const QString& tip) {
  auto* e = new QLineEdit(text);
  e->setObjectName(QString::fromLatin1(name));
  if (!tip.isEmpty()) e->setToolTip(tip);
  // Only the address boxes and the output path take drops; a drop elsewhere is the window's.
  e->setAcceptDrops(false);
  all_.push_back(std::make_unique<WidgetControl>(e, &lock_));
  return e;
}

QCheckBox* Form_main::Check(const char* name, const QString& caption, const QString& tip) {
  auto* c = new QCheckBox(caption);
  c->setObjectName(QString::fromLatin1(name));
  if (!tip.isEmpty()) c->setToolTip(tip);
  all_.push_back(std::make_unique<WidgetControl>(c, &lock_));
  return c;
}

QPushButton* Form_main::Button(const char* name, const QString& caption, const QString& tip) {
  auto* b = new QPushButton(caption);
  b->setObjectName(QString::fromLatin1(name));
  if (!tip.isEmpty()) b->setToolTip(tip);
  b->setAutoDefault(false);
  all_.push_back(std::make_unique<WidgetControl>(b, &lock_));
  return b;
}

QRadioButton* Form_main::Option(QButtonGroup* group, const char* name, int index,
                                const QString& caption, const QString& tip) {
  auto* r = new QRadioButton(caption);
  r->setObjectName(QString::fromLatin1(name) + QLatin1Char('_') + QString::number(index));
  if (!tip.isEmpty()) r->setToolTip(tip);
  group->addButton(r, index);
  all_.push_back(std::make_unique<WidgetControl>(r, &lock_));
  return r;
}

QLabel* Form_main::Label(const char* name, const QString& caption) {
  auto* l = new QLabel(caption);
  l->setObjectName(QString::fromLatin1(name));
  all_.push_back(std::make_unique<WidgetControl>(l, &lock_));
  return l;
}

void Form_main::BuildWidgets() {
  auto* central = new QWidget;
  auto* column = new QVBoxLayout(central);

  // Frame_Url
  auto* frame_url = new QGroupBox(S(u"取得URLと取得メッセージ番号の設定"));
  frame_url->setObjectName(QStringLiteral("Frame_Url"));
  auto* url = new QGridLayout(frame_url);
  text_url1_ = Edit("Text_url1", {},
                    S(u"取得したいトピックのURLの先頭からメッセージ番号の手前までを入力します"));
  text_from_ = Edit("Text_from", {}, S(u"取得したいメッセージ番号の開始位置"));
  QLabel* label6 = Label("Label6", S(u"～"));
  text_to_ = Edit("Text_to", QStringLiteral("100"), S(u"取得したいメッセージ番号の終了位置"));
  text_url2_ = Edit("Text_url2", {}, S(u"メッセージ番号以降を入力します"));
  for (QLineEdit* e : {text_url1_, text_url2_}) {
    e->setAcceptDrops(true);
    e->installEventFilter(this);
  }
  text_from_->setMaximumWidth(70);
  text_to_->setMaximumWidth(70);
  text_url1_->setMinimumWidth(260);
  QLabel* label1 = Label("Label1", S(u"取得メッセージ番号"));
  check_maxmsg_ = Check("Check_MaxMsg", S(u"最大メッセージ数まで取得"), {});
  command_openurl_ =
      Button("Command_OpenUrl", S(u"表示(&1)"), S(u"ブラウザで最初のメッセージを表示"));
  command_record_ = Button("Command_Record", S(u"履歴(&2)"), S(u"履歴一覧画面を表示"));
  check_read_ =
      Check("Check_Read", S(u"読みながら"),
            S(u"あらかじめ出力ファイルをブラウザで開きます（ブラウザの更新ボタンでダウンロ"
              u"ードを完了したところまでのメッセージが読めます）"));
  QLabel* label_seq_bg = Label("Label_seq_bg", {});
  auto* numbers = new QHBoxLayout;
  numbers->addWidget(text_from_);
  numbers->addWidget(label6);
  numbers->addWidget(text_to_);
  url->addWidget(text_url1_, 0, 0);
  url->addLayout(numbers, 0, 1);
  url->addWidget(text_url2_, 0, 2);
  url->addWidget(label1, 1, 1, Qt::AlignHCenter);
  url->addWidget(label_seq_bg, 1, 0);
  auto* url_row = new QHBoxLayout;
  url_row->addWidget(check_maxmsg_);
  url_row->addWidget(check_read_);
  url_row->addStretch();
  url_row->addWidget(command_openurl_);
  url_row->addWidget(command_record_);
  url->addLayout(url_row, 2, 0, 1, 3);
  url->setColumnStretch(0, 3);
  url->setColumnStretch(2, 1);
  column->addWidget(frame_url);

  // Frame_bbs_status and Frame_out_html, side by side
  auto* defs = new QHBoxLayout;
  auto* frame_bbs = new QGroupBox(S(u"掲示板設定"));
  frame_bbs->setObjectName(QStringLiteral("Frame_bbs_status"));
  auto* bbs = new QGridLayout(frame_bbs);
  combo_bbs_ = new QComboBox;
  combo_bbs_->setObjectName(QStringLiteral("Combo_bbs"));
  combo_bbs_->setToolTip(S(u"取得掲示板を指定します"));
  all_.push_back(std::make_unique<WidgetControl>(combo_bbs_, &lock_));
  command_openbbs_ =
      Button("Command_OpenBBS", S(u"掲示板表示"), S(u"ブラウザで掲示板のトップページを表示"));
  bbs->addWidget(combo_bbs_, 0, 0, 1, 3);
  bbs->addWidget(command_openbbs_, 0, 3);
  const QString edit_tip = S(u"編集画面がまだ完成していないのでテキストエディタで編集");
  const QString idle_tip = S(u"データを取得しHTML形式でファイルに出力します");
  const QString def_captions[3] = {S(u"編集(&S)"), S(u"削除(&L)"), S(u"新規(&L)")};
  for (int i = 0; i < 3; ++i) {
    QByteArray name = "Command_bbs_status_" + QByteArray::number(i);
    QPushButton* b = Button(name.constData(), def_captions[i], i == 0 ? edit_tip : idle_tip);
    connect(b, &QPushButton::clicked, this,
            [this, i] { Idle([this, i] { EditDefinitionCommand(true, i); }); });
    bbs->addWidget(b, 1, i);
  }
  auto* frame_out = new QGroupBox(S(u"出力タイプ設定"));
  frame_out->setObjectName(QStringLiteral("Frame_out_html"));
  auto* out = new QGridLayout(frame_out);
  combo_out_ = new QComboBox;
  combo_out_->setObjectName(QStringLiteral("Combo_out"));
  combo_out_->setToolTip(S(u"出力タイプを指定します"));
  all_.push_back(std::make_unique<WidgetControl>(combo_out_, &lock_));
  out->addWidget(combo_out_, 0, 0, 1, 3);
  for (int i = 0; i < 3; ++i) {
    QByteArray name = "Command_out_html_" + QByteArray::number(i);
    QPushButton* b = Button(name.constData(), def_captions[i], i == 0 ? edit_tip : idle_tip);
    connect(b, &QPushButton::clicked, this,
            [this, i] { Idle([this, i] { EditDefinitionCommand(false, i); }); });
    out->addWidget(b, 1, i);
  }
  defs->addWidget(frame_bbs, 4);
  defs->addWidget(frame_out, 3);
  column->addLayout(defs);

  // Frame_OutFile
  auto* frame_outfile = new QGroupBox(S(u"出力ファイルの設定"));
  frame_outfile->setObjectName(QStringLiteral("Frame_OutFile"));
  auto* of = new QGridLayout(frame_outfile);
  QLabel* label2 = Label("Label2", S(u"ファイル名"));
  text_out_ = Edit("Text_out", QStringLiteral("/"), S(u"出力ファイルを指定してください"));
  text_out_->setAcceptDrops(true);
  text_out_->installEventFilter(this);
  command_outfile_ = Button("Command_OutFile", S(u"参照(&3)"), {});
  check_topictofilename_ = Check("Check_TopicToFilename", S(u"トピック名をファイル名にする"),
                                 S(u"トピック名をファイル名にします"));
  check_devide_ = Check("Check_devide", S(u"出力ファイルを分割"),
                        S(u"指定された条件でファイルを分割します（ファイル名に連番等の情報を自動で"
                          u"付加します）"));
  option_devidekind_ = new QButtonGroup(this);
  QRadioButton* kind0 =
      Option(option_devidekind_, "Option_devidekind", 0, S(u"件数"), S(u"取得件数で分割します"));
  text_devidecnt_ = Edit("Text_devidecnt", QStringLiteral("1000"), S(u"分割するメッセージ数"));
  QLabel* label3 = Label("Label3", S(u"件ごと"));
  QRadioButton* kind1 =
      Option(option_devidekind_, "Option_devidekind", 1, S(u"日付"), S(u"日付を元に分割します"));
  combo_devidedatekind_ = new QComboBox;
  combo_devidedatekind_->setObjectName(QStringLiteral("Combo_devidedatekind"));
  combo_devidedatekind_->addItems({S(u"日別"), S(u"週別"), S(u"月別")});
  all_.push_back(std::make_unique<WidgetControl>(combo_devidedatekind_, &lock_));
  QRadioButton* kind2 = Option(option_devidekind_, "Option_devidekind", 2, S(u"サイズ"),
                               S(u"出力ファイルサイズを元に分割します"));
  text_devidefilesize_ =
      Edit("Text_devidefilesize", QStringLiteral("1000"), S(u"分割するメッセージ数"));
  QLabel* label4 = Label("Label4", QStringLiteral("KB"));
  check_createtitleindex_ = Check("Check_CreateTitleIndex", S(u"題名のインデックスを作成"),
                                  S(u"各発言の題名からインデックスファイルを作成します"));
  check_nooutblank_ = Check("Check_nooutblank", S(u"取得不可の発言は出力しない"),
                            S(u"削除などの理由で取得できなかった発言は出力しません"));
  kind0->setChecked(true);
  text_devidecnt_->setMaximumWidth(80);
  text_devidefilesize_->setMaximumWidth(80);
  auto* path_row = new QHBoxLayout;
  path_row->addWidget(label2);
  path_row->addWidget(text_out_, 1);
  path_row->addWidget(command_outfile_);
  of->addLayout(path_row, 0, 0, 1, 2);
  of->addWidget(check_topictofilename_, 1, 0, 1, 2);
  of->addWidget(check_devide_, 2, 0);
  auto* split = new QGridLayout;
  split->addWidget(kind0, 0, 0);
  split->addWidget(text_devidecnt_, 0, 1);
  split->addWidget(label3, 0, 2);
  split->addWidget(kind1, 1, 0);
  split->addWidget(combo_devidedatekind_, 1, 1);
  split->addWidget(kind2, 2, 0);
  split->addWidget(text_devidefilesize_, 2, 1);
  split->addWidget(label4, 2, 2);
  split->setColumnStretch(3, 1);
  split->setContentsMargins(24, 0, 0, 0);
  of->addLayout(split, 3, 0, 1, 2);
  of->addWidget(check_createtitleindex_, 4, 0);
  of->addWidget(check_nooutblank_, 4, 1);
  column->addWidget(frame_outfile);

  // Frame_Error
  auto* frame_error = new QGroupBox(S(u"受信データエラー検知時の動作"));
  frame_error->setObjectName(QStringLiteral("Frame_Error"));
  auto* err = new QHBoxLayout(frame_error);
  option_error_ = new QButtonGroup(this);
  err->addWidget(
      Option(option_error_, "Option_Error", 0, S(u"確認ダイアログ表示"),
             S(u"受信したデータがおかしい時に処理継続を確認するダイアログを表示します")));
  err->addWidget(Option(option_error_, "Option_Error", 1, S(u"エラーを無視"),
                        S(u"エラーは無視します（Yahooの時はこちらがオススメ）")));
  err->addWidget(Option(option_error_, "Option_Error", 2, S(u"受信再試行"), {}));
  option_error_->button(1)->setChecked(true);
  err->addStretch();
  check_error_log_ = Check("Check_Error_Log", S(u"エラーログを取る"), {});
  err->addWidget(check_error_log_);
  QPushButton* command_log = Button("Command_Error_LogView", S(u"ログ"), {});
  connect(command_log, &QPushButton::clicked, this,
          [this] { OpenErrorLog(program_->directory, ui_, shell_); });
  err->addWidget(command_log);
  column->addWidget(frame_error);

  // Frame_Network
  auto* frame_network = new QGroupBox(S(u"ネットワーク設定"));
  frame_network->setObjectName(QStringLiteral("Frame_Network"));
  auto* net = new QHBoxLayout(frame_network);
  label_network_ = Label("Label_Network", {});
  label_network_->setToolTip(S(u"設定値表示ラベル"));
  label_network_->installEventFilter(this);
  net->addWidget(label_network_, 1);
  QPushButton* command_network =
      Button("Command_Network", S(u"設定(&4)"), S(u"履歴一覧画面を表示"));
  net->addWidget(command_network);
  wait_field_ = new WaitField;
  all_.push_back(std::make_unique<WidgetControl>(wait_field_->edit()));
  net->addWidget(wait_field_);
  column->addWidget(frame_network);

  // Value holders of the network settings: never shown, edited through Form_network.
  auto* holders = new QWidget(central);
  holders->setObjectName(QStringLiteral("NetworkHolders"));
  auto* hl = new QHBoxLayout(holders);
  auto* frame_proxy = new QGroupBox(S(u"プロキシサーバの設定"));
  frame_proxy->setObjectName(QStringLiteral("Frame_Proxy"));
  auto* px = new QHBoxLayout(frame_proxy);
  option_proxy_ = new QButtonGroup(this);
  px->addWidget(Option(
      option_proxy_, "Option_Proxy", 0, S(u"既定値を使用"),
      S(u"レジストリ内にある既定の設定値(IEの設定値)を使ってインターネットにアクセスします")));
  px->addWidget(Option(option_proxy_, "Option_Proxy", 1, S(u"使用しない"),
                       S(u"プロキシサーバを使用せずに直接インターネットにアクセスします")));
  px->addWidget(Option(option_proxy_, "Option_Proxy", 2, S(u"使用する"),
                       S(u"プロキシサーバを使用してインターネットにアクセスします")));
  option_proxy_->button(0)->setChecked(true);
  text_proxy_address_ = Edit("Text_Proxy_address", QStringLiteral("192.168.0.1"),
                             S(u"プロキシサーバのIPアドレスを設定してください"));
  px->addWidget(text_proxy_address_);
  px->addWidget(Label("Label9", S(u"ポート")));
  text_proxy_port_ = Edit("Text_Proxy_port", QStringLiteral("8080"),
                          S(u"プロキシサーバのポート番号を指定してください"));
  px->addWidget(text_proxy_port_);
  auto* frame_retry = new QGroupBox(S(u"リトライ設定"));
  frame_retry->setObjectName(QStringLiteral("Frame_Retry"));
  auto* rt = new QHBoxLayout(frame_retry);
  rt->addWidget(Label("Label10", S(u"タイムアウト（秒）")));
  text_timeout_ =
      Edit("Text_Timeout", {}, S(u"回線速度などを考慮してなるべく短めに設定してください"));
  rt->addWidget(text_timeout_);
  rt->addWidget(Label("Label12", S(u"1～300")));
  rt->addWidget(Label("Label11", S(u"リトライ回数")));
  text_retry_ = Edit("Text_Retry", QStringLiteral("100"),
                     S(u"リトライ回数を超えるとエラーメッセージを表示して処理を中断します"));
  rt->addWidget(text_retry_);
  rt->addWidget(Label("Label13", S(u"0～1000")));
  hl->addWidget(frame_proxy);
  hl->addWidget(frame_retry);
  holders->hide();

  // Below the frames
  auto* buttons = new QHBoxLayout;
  command_run_ = Button("Command_Run", S(u"ダウンロード＆出力(&H)"),
                        S(u"データを取得し指定された形式でファイルに出力します"));
  command_cancel_ = Button("Command_Cancel", S(u"中断(&C)"), S(u"処理を中断します"));
  command_view_ = Button("Command_View", S(u"表示(&V)"), S(u"出力したファイルを表示します"));
  command_exit_ = Button("Command_Exit", S(u"終了(&E)"), S(u"アプリケーションを終了します"));
  command_cancel_->setEnabled(false);
  buttons->addWidget(command_run_, 2);
  buttons->addWidget(command_cancel_, 1);
  buttons->addWidget(command_view_, 1);
  buttons->addWidget(command_exit_, 1);
  column->addLayout(buttons);
  label_status_ = Label("Label_status", {});
  label_status_->setFrameShape(QFrame::StyledPanel);
  label_status_->setFrameShadow(QFrame::Sunken);
  label_status_->setMinimumHeight(label_status_->fontMetrics().height() + 6);
  column->addWidget(label_status_);

  setCentralWidget(central);

  connect(check_maxmsg_, &QCheckBox::toggled, this,
          [this](bool checked) { text_to_->setEnabled(!checked); });
  connect(command_run_, &QPushButton::clicked, this, [this] { RunCommand(); });
  connect(command_cancel_, &QPushButton::clicked, this, [this] { CancelCommand(); });
  connect(command_view_, &QPushButton::clicked, this, [this] { Idle([this] { ViewCommand(); }); });
  connect(command_exit_, &QPushButton::clicked, this, [this] { ExitCommand(); });
  connect(command_openurl_, &QPushButton::clicked, this,
          [this] { Idle([this] { OpenUrlCommand(); }); });
  connect(command_record_, &QPushButton::clicked, this,
          [this] { Idle([this] { HistoryCommand(); }); });
  connect(command_openbbs_, &QPushButton::clicked, this,
          [this] { Idle([this] { OpenBoardCommand(); }); });
  connect(command_outfile_, &QPushButton::clicked, this,
          [this] { Idle([this] { OutFileCommand(); }); });
  connect(command_network, &QPushButton::clicked, this,
          [this] { Idle([this] { NetworkCommand(); }); });
}

void Form_main::BuildMenus() {
  auto add_menu = [this](const char* name, const QString& caption) {
    QMenu* m = menuBar()->addMenu(caption);
    m->setObjectName(QString::fromLatin1(name));
    all_.push_back(std::make_unique<ActionControl>(m->menuAction(), &lock_));
    return m;
  };
  auto add_item = [this](QMenu* menu, const char* name, const QString& caption,
                         std::function<void()> fn) {
    QAction* a = menu->addAction(caption);
    a->setObjectName(QString::fromLatin1(name));
    connect(a, &QAction::triggered, this, [this, fn] { Idle(fn); });
    all_.push_back(std::make_unique<ActionControl>(a, &lock_));
  };
  QMenu* record = add_menu("menu_record", S(u"履歴(&R)"));
  add_item(record, "menu_record_download", S(u"ダウンロード履歴(&D)"),
           [this] { HistoryCommand(); });
  add_item(record, "menu_record_patrol", S(u"自動巡回実行(&P)"),
           [this] { RunLocked([this] { PatrolMarkedJobs(*program_); }); });
  QMenu* check = add_menu("menu_check", S(u"最新ﾊﾞｰｼﾞｮﾝﾁｪｯｸ(&C)"));
  add_item(check, "manu_check_bbs", S(u"掲示板設定ﾌｧｲﾙﾁｪｯｸ(&B)"),
           [this] { CheckCommand(true, false); });
  add_item(check, "menu_check_out", S(u"出力設定ﾌｧｲﾙﾁｪｯｸ(&U)"),
           [this] { CheckCommand(false, true); });
  add_item(check, "menu_check_multi", S(u"両方ﾁｪｯｸ(&M)"), [this] { CheckCommand(true, true); });
  QMenu* network = add_menu("menu_network", S(u"ﾈｯﾄﾜｰｸ設定(&N)"));
  add_item(network, "menu_network_open", S(u"設定画面(&P)"),
           [this] { Idle([this] { NetworkCommand(); }); });
  QMenu* help = add_menu("menu_help", S(u"ﾍﾙﾌﾟ(&H)"));
  add_item(help, "menu_help_version", S(u"ﾊﾞｰｼﾞｮﾝ情報(&A)"), [this] { AboutCommand(); });
  add_item(help, "menu_help_website", S(u"ｻﾎﾟｰﾄﾍﾟｰｼﾞ(&W)"), [this] { SupportPageCommand(); });
}

#define PELLUCOR_MEMBER(Kind, name) \
  Kind& Form_main::name() {         \
    return a_->name;                \
  }
PELLUCOR_MAIN_FORM_CONTROLS(PELLUCOR_MEMBER)
#undef PELLUCOR_MEMBER

std::vector<Control*> Form_main::AllControls() {
  std::vector<Control*> out;
  out.reserve(all_.size());
  for (auto& c : all_) out.push_back(c.get());
  return out;
}

bool Form_main::eventFilter(QObject* watched, QEvent* event) {
  if (watched == label_network_ && event->type() == QEvent::MouseButtonDblClick) {
    if (label_network_->isEnabled()) NetworkCommand();
    return true;
  }
  auto* edit = qobject_cast<QLineEdit*>(watched);
  if (edit && (edit == text_url1_ || edit == text_url2_ || edit == text_out_)) {
    switch (event->type()) {
      case QEvent::DragEnter:
      case QEvent::DragMove: {
        auto* e = static_cast<QDragMoveEvent*>(event);
        e->acceptProposedAction();
        return true;
      }
      case QEvent::Drop: {
        auto* e = static_cast<QDropEvent*>(event);
        e->acceptProposedAction();
        if (edit == text_out_) {
          DropOnTextOut(DroppedFile(e->mimeData()));
        } else {
          Text text = DroppedText(e->mimeData());
          // Deferred: the drag source waits for the drop to finish, and a message box must not
          // keep it waiting.
          if (!text.empty())
            QTimer::singleShot(0, this, [this, text] { RecognizeDroppedText(text); });
        }
        return true;
      }
      default:
        break;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void Form_main::dragEnterEvent(QDragEnterEvent* event) {
  event->acceptProposedAction();
}

void Form_main::dragMoveEvent(QDragMoveEvent* event) {
  event->acceptProposedAction();
}

void Form_main::dropEvent(QDropEvent* event) {
  event->acceptProposedAction();
  Text text = DroppedText(event->mimeData());
  if (!text.empty()) QTimer::singleShot(0, this, [this, text] { RecognizeDroppedText(text); });
}

void Form_main::DropOnTextOut(const Text& path) {
  if (!path.empty()) a_->Text_out.SetValue(path);
}

}  // namespace pellucor::gui

// ---------------------------------------------------------------------------------------------
// Construction, load and unload

namespace pellucor::gui {

Form_main::Form_main(Ui& ui, Shell& shell, HttpClient& http, Clock& clock, Text program_directory,
                     QWidget* parent)
    : QMainWindow(parent), ui_(ui), shell_(shell), worker_(new Worker(this)) {
  setObjectName(QStringLiteral("Form_main"));
  BuildWidgets();
  BuildMenus();
  a_ = std::make_unique<Adapters>(*this);
  program_ =
      std::make_unique<Program>(std::move(program_directory), ui_, clock, http, shell_, *this);
  setAcceptDrops(true);
  setWindowTitle(QStringLiteral("Pellucor"));
}

Form_main::~Form_main() {
  if (!worker_->Busy()) return;
  // Gone without a close (the program is ending): the work ends through its cancel path, with
  // nobody left to answer its questions.
  cancel_requested = true;
  ui_.Dismiss();
  worker_->Finish();
}

DefinitionCatalog& Form_main::catalog() {
  return program_->catalog;
}

void Form_main::Load() {
  Program& p = *program_;
  FirstRunGreeting(p.directory, ui_);
  setWindowTitle(Q(u"Pellucor ver" + p.version));
  a_->Label_status.SetValue(u"");
  RecoverInterruptedRuns(p.directory, ui_);
  LoadSettings(*this, p.settings_path, p.directory);
  wait_field_->Load(p.settings_path);
  RefreshBoardList();
  RefreshOutputList();
  p.history.clear();
  LoadHistory(p.history_path, p.history, ui_, a_->Check_devide.Value() != 0);
  p.history_base = p.history;
  adjustSize();
  minimum_ = size();
  setMinimumSize(minimum_);
  UpdateNetworkLabel(*this);
}

void Form_main::Unload() {
  if (unloaded_) return;
  unloaded_ = true;
  Program& p = *program_;
  SaveHistory(p.history_path, p.history, ui_, p.history_base);
  wait_field_->Save(p.settings_path);
  if (SaveSettings(*this, p.settings_path, SelectedBoardFile(), SelectedOutputFile()) && p.journal)
    p.journal->Discard();  // the last run's journal is owed nothing more
}

Text Form_main::SelectedBoardFile() const {
  const BoardEntry* e = program_->catalog.Board(combo_bbs_->currentIndex());
  return e ? e->file : Text();
}

Text Form_main::SelectedOutputFile() const {
  const OutputEntry* e = program_->catalog.Output(combo_out_->currentIndex());
  return e ? e->file : Text();
}

namespace {

// Fills a definition list. Before the first fill the catalogue's remembered choice counts;
// later (after a definition update) the entry the user has selected stays selected.
template <typename Entry>
void FillList(QComboBox* combo, std::vector<Entry>& target, std::vector<Entry> entries,
              const std::vector<Text>& names, int selected, bool keep_current) {
  Text current;
  if (keep_current && combo->currentIndex() >= 0 &&
      static_cast<size_t>(combo->currentIndex()) < target.size())
    current = target[static_cast<size_t>(combo->currentIndex())].file;
  target = std::move(entries);
  combo->clear();
  for (const Text& n : names) combo->addItem(Q(n));
  if (!current.empty()) {
    for (size_t i = 0; i < target.size(); ++i)
      if (target[i].file == current) selected = static_cast<int>(i);
  }
  combo->setCurrentIndex(selected >= 0 && selected < combo->count() ? selected : -1);
}

}  // namespace

void Form_main::RefreshBoardList() {
  BoardCatalog c = RefreshBoardCatalog(program_->directory, program_->settings_path);
  FillList(combo_bbs_, program_->catalog.boards, std::move(c.entries), c.names, c.selected,
           combo_bbs_->count() > 0);
}

void Form_main::RefreshOutputList() {
  OutputCatalog c = RefreshOutputCatalog(program_->directory, program_->settings_path);
  FillList(combo_out_, program_->catalog.outputs, std::move(c.entries), c.names, c.selected,
           combo_out_->count() > 0);
}

void Form_main::closeEvent(QCloseEvent* event) {
  if (busy_) {
    // The running operation sees the cancel request, ends through its own closing steps, and
    // the window closes after it.
    cancel_requested = true;
    command_cancel_->setEnabled(false);
    close_pending_ = true;
    event->ignore();
    return;
  }
  Unload();
  event->accept();
}

void Form_main::RunLocked(std::function<void()> work) {
  if (busy_) return;
  busy_ = true;
  // Locked from the click to the end of the work, as the work itself will lock it.
  lock_.Hold(command_cancel_, label_status_);
  for (auto& c : all_) c->SetEnabled(false);
  command_cancel_->setEnabled(true);
  worker_->Start(std::move(work), [this] {
    lock_.Release();
    busy_ = false;
    // A close request that came during the work is carried out now that it has ended.
    if (close_pending_) {
      close_pending_ = false;
      QTimer::singleShot(0, this, &QWidget::close);
    }
  });
}

// ---------------------------------------------------------------------------------------------
// Commands

void Form_main::RecognizeDroppedText(const Text& text) {
  // The window still takes drops while its controls are locked; a run must keep its values.
  if (busy_ || text.empty()) return;
  RecognizeBoardUrl(*this, program_->catalog, ui_, text);
}

void Form_main::CancelCommand() {
  command_cancel_->setEnabled(false);
  cancel_requested = true;
}

void Form_main::ExitCommand() {
  cancel_requested = true;
  close();
}

void Form_main::ViewCommand() {
  ViewerContext ctx{ui_, shell_, program_->clock};
  ShowResultFor(*this, ctx, program_->catalog);
}

void Form_main::OpenUrlCommand() {
  shell_.Open(FirstMessageAddress(*this));
}

void Form_main::OpenBoardCommand() {
  const BoardEntry* e = program_->catalog.Board(combo_bbs_->currentIndex());
  if (!e) {
    ShowBoardNotSpecified(ui_);
    return;
  }
  shell_.Open(e->url);
}

void Form_main::EditDefinitionCommand(bool board, int index) {
  if (index != 0) return;  // delete and new have no reaction
  ShowEditNotice(ui_);
  Text file = board ? SelectedBoardFile() : SelectedOutputFile();
  if (!file.empty()) shell_.Edit(program_->directory + file);
}

void Form_main::OutFileCommand() {
  Text out = a_->Text_out.Value();
  if (a_->Check_TopicToFilename.Value() == 0) {
    const OutputEntry* e = program_->catalog.Output(combo_out_->currentIndex());
    QFileDialog dialog(this, QString::fromUtf16(u"保存するﾌｧｲﾙを指定してください。"),
                       Q(PickerStartFolder(out)));
    dialog.setObjectName(QStringLiteral("OutFilePicker"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    QStringList filters;
    for (const PickerFilter& f : OutputFileFilters(e ? e->mark : Text())) filters << Q(f.caption);
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.first());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    Text chosen = ChosenFilePath(ToText(dialog.selectedFiles().first()));
    if (!chosen.empty()) a_->Text_out.SetValue(chosen);
    return;
  }
  QFileDialog dialog(this, QString::fromUtf16(u"保存先ﾌｫﾙﾀﾞを指定して下さい。"));
  dialog.setObjectName(QStringLiteral("OutFolderPicker"));
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly);
  Text preselect = FolderPickerPreselection(out);
  if (FolderExists(preselect))
    dialog.setDirectory(Q(preselect));
  else
    dialog.setDirectory(Q(PickerStartFolder(preselect)));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  Text chosen = ToText(dialog.selectedFiles().first());
  if (!chosen.empty()) a_->Text_out.SetValue(ChosenFolderPath(chosen));
}

void Form_main::HistoryCommand() {
  Program& p = *program_;
  if (!CheckHistoryNotEmpty(p.history.size(), ui_)) return;
  SortHistoryForWindow(p.history, p.clock.Now());
  Form_record window(p.history, *this, ui_, shell_, program_->catalog, this);
  window.EnablePatrol(p);
  window.exec();
}

void Form_main::NetworkCommand() {
  Form_network window(*this, ui_, this);
  window.exec();
  UpdateNetworkLabel(*this);
}

void Form_main::RunCommand() {
  if (!wait_field_->Apply(program_->http, ui_)) return;
  RunLocked([this] { pellucor::RunCommand(*program_, [this] { ViewCommand(); }); });
}

void Form_main::CheckCommand(bool boards, bool outputs) {
  if (busy_) return;
  Program& p = *program_;
  auto ctx = std::make_shared<UpdateContext>(ui_, p.http, p.clock, p.directory, UpdateBaseUrl());
  BindUpdateToForm(*ctx, *this);
  ctx->apply_network_settings = [this, &p] { return ApplyNetworkSettings(*this, p.http, ui_); };
  ctx->set_run_state = [this](bool running) { SetRunState(*this, ui_, running); };
  ctx->refresh_board_catalog = [this] { CallOnGuiThread([this] { RefreshBoardList(); }); };
  ctx->refresh_output_catalog = [this] { CallOnGuiThread([this] { RefreshOutputList(); }); };
  ctx->download_window = [this](DownloadList& list) {
    CallOnGuiThread([&] {
      if (ui_.Dismissed()) return;  // the window is going away: nothing is chosen
      Form_download window(list, ui_, this);
      window.exec();
    });
  };
  RunLocked([ctx, boards, outputs] { CheckForUpdates(*ctx, boards, outputs); });
}

void Form_main::AboutCommand() {
  ui_.Beep();
  ui_.MessageBox(AboutText(program_->version, PELLUCOR_REVISION, QueryMachineFacts(),
                           DescribeProgramFolder(program_->directory, program_->folder_kind)),
                 AboutCaption(), Icon::Information, Buttons::Ok);
}

void Form_main::SupportPageCommand() {
  shell_.Open(kSupportPageUrl);
}

}  // namespace pellucor::gui
