#include "utility/effect/effect_text.h"

#include <cctype>
#include <sstream>

namespace {

std::vector<std::string> Words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string word; in >> word;)
        words.push_back(word);
    return words;
}

bool IsBlankOrComment(const std::string& line) {
    size_t first = line.find_first_not_of(" \t\r");
    return first == std::string::npos || line.compare(first, 2, "//") == 0;
}

bool ValidName(const std::string& name) {
    if (name.empty() || !(std::isalpha(static_cast<unsigned char>(name[0])) || name[0] == '_'))
        return false;
    for (char c : name)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_'))
            return false;
    return name.compare(0, 3, "zq_") != 0;
}

int FindBlock(const EffectLayout& layout, const std::string& name) {
    for (size_t i = 0; i < layout.blocks.size(); ++i)
        if (layout.blocks[i].name == name)
            return int(i);
    return -1;
}

class SectionReader {
public:
    SectionReader(EffectLayout* layout, std::string* error) : layout(layout), error(error) {}

    bool Read(const std::string& text) {
        std::istringstream in(text);
        int number = 0;
        for (std::string line; std::getline(in, line);) {
            ++number;
            if (!line.empty() && line[0] == '@') {
                if (!Header(Words(line.substr(1)), number))
                    return false;
            } else if (current) {
                current->text += line;
                current->text += '\n';
            } else if (!IsBlankOrComment(line)) {
                return Fail(number, "text outside a section");
            }
        }
        if (!declarationsSeen)
            return Fail(number, "no @declarations section");
        return ResolveUses();
    }

    SourceText declarations;

private:
    bool Header(const std::vector<std::string>& words, int line) {
        if (words.empty())
            return Fail(line, "a section line needs a name");
        const std::string& kind = words[0];
        if (kind == "define")
            return Define(words, line);
        if (kind == "declarations") {
            if (declarationsSeen || words.size() != 1)
                return Fail(line, "one @declarations section, without arguments");
            declarationsSeen = true;
            declarations.line = line + 1;
            current = &declarations;
            return true;
        }
        if (words.size() < 2 || !ValidName(words[1]))
            return Fail(line, "@" + kind + " needs a name (letters, digits, '_'; not zq_)");
        if (kind == "common")
            return Block(words, line);
        if (kind == "vertex" || kind == "pixel")
            return Program(words, line, kind == "pixel");
        return Fail(line, "unknown section @" + kind);
    }

    bool Define(const std::vector<std::string>& words, int line) {
        if (words.size() < 2 || words.size() > 3 || !ValidName(words[1]))
            return Fail(line, "@define NAME [VALUE]");
        layout->defines.emplace_back(words[1], words.size() == 3 ? words[2] : "");
        current = nullptr;
        return true;
    }

    bool Block(const std::vector<std::string>& words, int line) {
        if (words.size() != 2 || FindBlock(*layout, words[1]) >= 0)
            return Fail(line, "@common NAME, each name once");
        layout->blocks.push_back(GlslBlock{words[1], SourceText{"", line + 1}});
        current = &layout->blocks.back().source;
        return true;
    }

    bool Program(const std::vector<std::string>& words, int line, bool pixel) {
        if (FindProgram(*layout, words[1]) >= 0)
            return Fail(line, "program " + words[1] + " defined twice");
        if (words.size() > 2 && words[2] != "uses")
            return Fail(line, "expected 'uses' after the program name");
        ProgramInfo program;
        program.name = words[1];
        program.pixel = pixel;
        program.body.line = line + 1;
        layout->programs.push_back(program);
        uses.push_back(UseList{line, std::vector<std::string>(
                                         words.begin() + (words.size() > 2 ? 3 : 2), words.end())});
        current = &layout->programs.back().body;
        return true;
    }

    // Blocks may follow the programs that use them, so names are resolved last.
    bool ResolveUses() {
        for (size_t p = 0; p < layout->programs.size(); ++p) {
            for (const std::string& name : uses[p].blocks) {
                int block = FindBlock(*layout, name);
                if (block < 0)
                    return Fail(uses[p].line, "no @common block " + name);
                layout->programs[p].blocks.push_back(block);
            }
        }
        return true;
    }

    bool Fail(int line, const std::string& message) {
        *error = "line " + std::to_string(line) + ": " + message;
        return false;
    }

    struct UseList {
        int line;
        std::vector<std::string> blocks;
    };

    EffectLayout* layout;
    std::string* error;
    SourceText* current = nullptr;
    bool declarationsSeen = false;
    std::vector<UseList> uses;
};

} // namespace

int FindParameter(const EffectLayout& layout, const std::string& name) {
    for (size_t i = 0; i < layout.parameters.size(); ++i)
        if (layout.parameters[i].name == name)
            return int(i);
    return -1;
}

int FindProgram(const EffectLayout& layout, const std::string& name) {
    for (size_t i = 0; i < layout.programs.size(); ++i)
        if (layout.programs[i].name == name)
            return int(i);
    return -1;
}

bool ParseEffectText(const std::string& text, EffectLayout* layout, std::string* error) {
    *layout = EffectLayout{};
    SectionReader reader(layout, error);
    return reader.Read(text) && ParseDeclarations(reader.declarations, layout, error);
}
