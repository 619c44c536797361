// The main window's frames, built in code: one builder per frame, each connecting its own
// buttons. Object names are the controls' names.
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/error_log_view.h"
#include "app/patrol.h"
#include "app/program.h"
#include "form_main.h"
#include "qt_controls.h"
#include "wait_field.h"

namespace pellucor::gui {

namespace {

QString S(const char16_t* s) {
  return QString::fromUtf16(s);
}

}  // namespace

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

void Form_main::OnClick(QAbstractButton* button, std::function<void()> command) {
  connect(button, &QAbstractButton::clicked, this, [this, command] { Idle(command); });
}

void Form_main::BuildWidgets() {
  auto* central = new QWidget;
  auto* column = new QVBoxLayout(central);
  BuildUrlFrame(column);
  BuildDefinitionFrames(column);
  BuildOutFileFrame(column);
  BuildErrorFrame(column);
  BuildNetworkFrame(column);
  BuildNetworkHolders(central);
  BuildCommandRow(column);
  setCentralWidget(central);
}

// Frame_Url: the address halves, the range, and the history.
void Form_main::BuildUrlFrame(QBoxLayout* column) {
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
  connect(check_maxmsg_, &QCheckBox::toggled, this,
          [this](bool checked) { text_to_->setEnabled(!checked); });
  OnClick(command_openurl_, [this] { OpenUrlCommand(); });
  OnClick(command_record_, [this] { HistoryCommand(); });
}

// Frame_bbs_status and Frame_out_html, side by side.
void Form_main::BuildDefinitionFrames(QBoxLayout* column) {
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
    OnClick(b, [this, i] { EditDefinitionCommand(true, i); });
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
    OnClick(b, [this, i] { EditDefinitionCommand(false, i); });
    out->addWidget(b, 1, i);
  }
  defs->addWidget(frame_bbs, 4);
  defs->addWidget(frame_out, 3);
  column->addLayout(defs);
  OnClick(command_openbbs_, [this] { OpenBoardCommand(); });
}

// Frame_OutFile: the output path and the split rule.
void Form_main::BuildOutFileFrame(QBoxLayout* column) {
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
  OnClick(command_outfile_, [this] { OutFileCommand(); });
}

// Frame_Error: what a page without items does, and the error log.
void Form_main::BuildErrorFrame(QBoxLayout* column) {
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
  OnClick(command_log, [this] {
    shell_tasks_->Run(
        [dir = program_->directory](Ui& ui, Shell& shell) { OpenErrorLog(dir, ui, shell); });
  });
  err->addWidget(command_log);
  column->addWidget(frame_error);
}

// Frame_Network: the summary of the network settings.
void Form_main::BuildNetworkFrame(QBoxLayout* column) {
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
  all_.push_back(std::make_unique<WidgetControl>(wait_field_->edit(), &lock_));
  net->addWidget(wait_field_);
  column->addWidget(frame_network);
  OnClick(command_network, [this] { NetworkCommand(); });
}

// Value holders of the network settings: never shown, edited through Form_network.
void Form_main::BuildNetworkHolders(QWidget* central) {
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
}

// Below the frames: the commands and the status line.
void Form_main::BuildCommandRow(QBoxLayout* column) {
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
  connect(command_run_, &QPushButton::clicked, this, [this] { RunCommand(); });
  connect(command_cancel_, &QPushButton::clicked, this, [this] { CancelCommand(); });
  // The pages of a long series take a while, and the desktop's verdict too: on the worker.
  OnClick(command_view_, [this] { RunLocked([this] { ViewCommand(); }); });
  connect(command_exit_, &QPushButton::clicked, this, [this] { ExitCommand(); });
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
  add_item(network, "menu_network_open", S(u"設定画面(&P)"), [this] { NetworkCommand(); });
  QMenu* help = add_menu("menu_help", S(u"ﾍﾙﾌﾟ(&H)"));
  add_item(help, "menu_help_version", S(u"ﾊﾞｰｼﾞｮﾝ情報(&A)"), [this] { AboutCommand(); });
  add_item(help, "menu_help_website", S(u"ｻﾎﾟｰﾄﾍﾟｰｼﾞ(&W)"), [this] { SupportPageCommand(); });
}

}  // namespace pellucor::gui
