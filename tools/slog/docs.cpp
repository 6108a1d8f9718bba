// SPDX-License-Identifier: Apache-2.0
// Writes slog's bash completion script (`slog_docs bash`) or its man page
// (`slog_docs man VERSION`) from the option definitions slog parses with.

#include <iostream>
#include <string>

#include "app.h"

namespace {

std::string long_name(const CLI::Option* o) {
  return o->get_lnames().empty() ? o->get_name() : "--" + o->get_lnames().front();
}

// Every (sub)command path with its options, depth first.
template <class F>
void walk(const CLI::App* app, const std::string& path, F&& f) {
  f(app, path);
  for (const CLI::App* sub : app->get_subcommands({})) walk(sub, path.empty() ? sub->get_name() : path + " " + sub->get_name(), f);
}

void bash(const CLI::App& app) {
  std::cout << "# bash completion for slog, generated from its option definitions.\n"
               "_slog() {\n"
               "  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]} path=\"\" w i\n"
               "  for ((i = 1; i < COMP_CWORD; i++)); do\n"
               "    w=${COMP_WORDS[i]}\n"
               "    case \"$path:$w\" in\n";
  std::string cases, words;
  walk(&app, "", [&](const CLI::App* a, const std::string& path) {
    std::string opts, subs, files;
    for (const CLI::Option* o : a->get_options()) {
      if (o->nonpositional()) opts += " " + long_name(o);
      const std::string type = o->get_type_name();
      if (type == "FILE" || type == "DIR") files += (files.empty() ? "" : "|") + long_name(o);
    }
    for (const CLI::App* s : a->get_subcommands({})) {
      subs += " " + s->get_name();
      std::cout << "      \"" << path << ":" << s->get_name() << "\") path=\"" << (path.empty() ? "" : path + " ")
                << s->get_name() << "\" ;;\n";
    }
    words += "    \"" + path + "\") words=\"" + subs + opts + "\"; files=\"" + files + "\" ;;\n";
  });
  std::cout << "    esac\n"
               "  done\n"
               "  local words files\n"
               "  case \"$path\" in\n"
            << words
            << "  esac\n"
               "  if [[ -n $files && $prev == @($files) ]]; then COMPREPLY=($(compgen -f -- \"$cur\")); return; fi\n"
               "  COMPREPLY=($(compgen -W \"$words --json --quiet --max-input-size --help\" -- \"$cur\"))\n"
               "}\n"
               "complete -F _slog slog\n";
}

std::string roff(std::string s) {
  std::string out;
  for (char c : s) out += c == '\\' ? std::string("\\e") : c == '-' ? std::string("\\-") : std::string(1, c);
  if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out = "\\&" + out;
  return out;
}

void man(const CLI::App& app, const std::string& version) {
  std::cout << ".TH SLOG 1 \"\" \"silvantrope_log " << version << "\" \"User Commands\"\n"
            << ".SH NAME\nslog \\- verify transparency\\-log proofs, notes, checkpoints and directories\n"
            << ".SH SYNOPSIS\n.B slog\n.I COMMAND\n[\\fIOPTIONS\\fR]\n"
            << ".SH DESCRIPTION\n" << roff(app.get_description()) << "\n";
  walk(&app, "", [&](const CLI::App* a, const std::string& path) {
    if (path.empty()) std::cout << ".SH OPTIONS\n";
    if (path == app.get_subcommands({}).front()->get_name()) std::cout << ".SH COMMANDS\n";
    if (!path.empty()) std::cout << ".SS slog " << roff(path) << "\n";
    if (!path.empty()) std::cout << roff(a->get_description()) << "\n";
    if (!a->get_footer().empty()) std::cout << ".PP\n" << roff(a->get_footer()) << "\n";
    for (const CLI::Option* o : a->get_options()) {
      if (o->get_name() == "--help" || o->get_name() == "-h,--help") continue;
      const std::string type = o->get_type_name();
      std::cout << ".TP\n.B " << roff(o->nonpositional() ? long_name(o) : o->get_name())
                << (o->get_items_expected_max() > 0 && o->nonpositional() ? " \\fI" + roff(type) + "\\fR" : "") << "\n"
                << roff(o->get_description()) << (o->get_required() ? " (required)" : "") << "\n";
    }
  });
  std::cout << ".SH EXIT STATUS\n0 valid, 1 verification failed, 2 usage or internal error.\n";
}

}  // namespace

int main(int argc, char** argv) {
  const auto app = slog::make_app();
  const std::string what = argc > 1 ? argv[1] : "";
  if (what == "bash" && argc == 2) {
    bash(*app);
  } else if (what == "man" && argc == 3) {
    man(*app, argv[2]);
  } else {
    std::cerr << "usage: slog_docs bash | slog_docs man VERSION\n";
    return 2;
  }
  return 0;
}
