#include "app/form_values.h"

#include "engine/definitions.h"

namespace pellucor {
namespace {

void SetOutputPath(MainForm& form, const Text& path) {
  if (form.Text_out().Value() != path) form.Text_out().SetValue(path);
}

}  // namespace

void BindUpdateToForm(UpdateContext& ctx, MainForm& form) {
  ctx.timeout = form.Text_Timeout().Value();
  ctx.retry = form.Text_Retry().Value();
  ctx.cancelled = [&form] { return form.cancel_requested.load(); };
  ctx.status = [&form](const Text& text) { form.Label_status().SetValue(text); };
}

ViewerRequest ViewerRequestOf(MainForm& form, const DefinitionCatalog& catalog) {
  ViewerRequest r;
  r.output_path = form.Text_out().Value();
  const OutputEntry* entry = catalog.Output(form.Combo_out().Index());
  r.output_mark = entry ? entry->mark : Text();
  r.title_index = form.Check_CreateTitleIndex().Value() != 0;
  r.pages.devide = form.Check_devide().Value() != 0;
  r.pages.devide_kind = form.Option_devidekind().Index();
  r.pages.devide_count = form.Text_devidecnt().Value();
  r.pages.devide_date_kind = form.Combo_devidedatekind().Index();
  r.pages.devide_file_size = form.Text_devidefilesize().Value();
  return r;
}

std::optional<Text> PrepareResultFor(MainForm& form, ViewerContext& ctx,
                                     const DefinitionCatalog& catalog) {
  PreparedResult r = PrepareResult(ctx, ViewerRequestOf(form, catalog));
  SetOutputPath(form, r.output_path);
  return r.target;
}

void ShowResultFor(MainForm& form, ViewerContext& ctx, const DefinitionCatalog& catalog) {
  SetOutputPath(form, ShowResult(ctx, ViewerRequestOf(form, catalog)));
}

void ApplyPutBack(MainForm& form, const PutBack& v) {
  form.Text_url1().SetValue(v.url1);
  form.Text_url2().SetValue(v.url2);
  form.Text_from().SetValue(v.from);
  form.Text_to().SetValue(v.to);
  form.Check_MaxMsg().SetValue(v.max_msg);
  form.Text_out().SetValue(v.output_path);
  form.Check_TopicToFilename().SetValue(v.topic_to_filename);
  form.Check_devide().SetValue(v.devide);
  form.Text_devidecnt().SetValue(v.devide_count);
  if (v.board_index >= 0) form.Combo_bbs().SetIndex(v.board_index);
  if (v.output_index >= 0) form.Combo_out().SetIndex(v.output_index);
  form.Check_CreateTitleIndex().SetValue(v.create_title_index);
  form.Check_nooutblank().SetValue(v.no_out_blank);
  if (v.devide_kind >= 0) form.Option_devidekind().SetIndex(v.devide_kind);
  if (v.devide_date_kind >= 0) form.Combo_devidedatekind().SetIndex(v.devide_date_kind);
  form.Text_devidefilesize().SetValue(v.devide_file_size);
}

}  // namespace pellucor
