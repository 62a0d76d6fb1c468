// The analyser's decisions, checked on the printed form of the trees it builds.
#include <gtest/gtest.h>

#include "analysis/code_analysis.h"
#include "environment/environment.h"
#include "errors/errors.h"
#include "errors/messages.h"
#include "items/analyzed_macro.h"
#include "quorin_limits.h"

namespace {

std::string Tree(const std::string& source, bool caseSensitive = false) {
    TQuorinEnvironment environment;
    environment.caseSensitive = caseSensitive;
    Quorin::TCodeAnalysis analysis(&environment, source);
    auto macro = analysis.AnalyzeSource();
    return macro ? macro->Describe() : "FAIL";
}

struct TShape {
    const char* source;
    const char* tree;
};

TEST(Analyzer, GroupsOperatorsByTheTableAndTheTwoBounds) {
    const TShape shapes[] = {
        // A prefix operator in an operand extends over the rest of the operand.
        {"x = -1 + 2;", "(= x (pre- (+ 1 2)));"},
        {"-1 + 2;", "(+ (pre- 1) 2);"},
        {"x = !a && b;", "(= x (pre! (&& a b)));"},
        {"a == -b + c;", "(== a (pre- (+ b c)));"},
        {"f(-1 + 2);", "(call f (+ (pre- 1) 2));"},
        {"-x++;", "(pre- (post++ x));"},
        {"a + b = c;", "(= (+ a b) c);"},
        {"a = b = c;", "(= a (= b c));"},
        {"a - b - c;", "(- (- a b) c);"},
        {"a + b * c;", "(+ a (* b c));"},
        {"a * b + c;", "(+ (* a b) c);"},
        {"a < b cmp c;", "(< a (cmp b c));"},
        {"a || b && c | d ^ e & f;", "(|| a (&& b (| c (^ d (& e f)))));"},
        {"x++ + y;", "(+ (post++ x) y);"},
        {"x + y++;", "(+ x (post++ y));"},
        {"a += b -= 2;", "(+= a (-= b 2));"},
        {"(a, b), c;", "(, (group (, a b)) c);"},
        {"x = (a) = 1;", "(= x (= (group a) 1));"},
        {"- - x;", "(pre- (pre- x));"},
    };
    for (const TShape& shape : shapes) EXPECT_EQ(Tree(shape.source), shape.tree) << shape.source;
}

TEST(Analyzer, CallsBindTighterThanOperatorsAndTakeVoidableArguments) {
    const TShape shapes[] = {
        {"f();", "(call f);"},
        {"f(,);", "(call f <> <>);"},
        {"f(a,);", "(call f a <>);"},
        {"f(,a);", "(call f <> a);"},
        {"f(a, b);", "(call f a b);"},
        {"f((a, b));", "(call f (group (, a b)));"},
        {"f(a = 1, b);", "(call f (= a 1) b);"},
        {"f(g(1), 2);", "(call f (call g 1) 2);"},
        {"-f(x);", "(pre- (call f x));"},
        {"f(x)++;", "(post++ (call f x));"},
        {"f(x)(y);", "(call (call f x) y);"},
        {"(f)(1);", "(call (group f) 1);"},
        {"1(2);", "(call 1 2);"},
    };
    for (const TShape& shape : shapes) EXPECT_EQ(Tree(shape.source), shape.tree) << shape.source;
}

TEST(Analyzer, ReadsConstantsAndWordOperators) {
    const TShape shapes[] = {
        {"x = 012;", "(= x 12.0);"},
        {"x = 2147483648;", "(= x 2147483648.0);"},
        {"x = 2147483647;", "(= x 2147483647);"},
        {"x = 1.;", "(= x 1.0);"},
        {"x = \"a\" 'b';", "(= x \"ab\");"},
        {"x = \"a\\n\\q\\\"\";", "(= x \"a\\nq\\\"\");"},
        {"x = a category;", "(= x (cat a egory));"},
        {"x = a DIV b;", "(= x (div a b));"},
        {"s cat= t;", "(cat= s t);"},
        {"x = a !equ b;", "(= x (!equ a b));"},
    };
    for (const TShape& shape : shapes) EXPECT_EQ(Tree(shape.source), shape.tree) << shape.source;
}

TEST(Analyzer, SentencesFormulasAndLabels) {
    const TShape shapes[] = {
        {";", ";"},
        {"{}", "{}"},
        {"L: x; goto L;", "L: x; (goto L)"},
        {"{ L: ; }", "{L: ;}"},
        {"while = 1;", "(= while 1);"},
        {"if = while;", "(= if while);"},
        {"WHILE (x) Break;", "(while x (break))"},
        {"if (a) if (b) x; else y;", "(if a (if b x; y;))"},
        {"if (a) x; else { y; }", "(if a x; {y;})"},
        {"do x++; while (x < 3);", "(do (post++ x); (< x 3))"},
        {"for (;;) ;", "(for <> <> <> ;)"},
        {"for (i = 0; i < 3; i++) { }", "(for (= i 0) (< i 3) (post++ i) {})"},
        {"return;", "(return <>)"},
        {"return f();", "(return (call f))"},
        {"break;", "(break)"},
        {"L:", "L:"},
    };
    for (const TShape& shape : shapes) EXPECT_EQ(Tree(shape.source), shape.tree) << shape.source;
}

TEST(Analyzer, RejectsWhatDoesNotForm) {
    const char* failures[] = {
        "",                     // no words at all
        "// only a comment\n",  //
        "x; }",                 // a stray closing brace
        "while (x) L: ;",       // a label is no loop body
        "if (x) L: ;",          //
        "goto 5;",              // goto needs an identifier
        "goto L",               // and a semicolon
        "x = ;",                //
        "f(;",                  //
        "category;",            // "cat" then "egory": no left operand
        "{ x;",                 //
        "f(a, b",               //
        "()",                   //
        "x = (a, b;",           //
    };
    for (const char* source : failures) EXPECT_EQ(Tree(source), "FAIL") << source;
}

TEST(Analyzer, KeywordsFollowTheCaseRule) {
    EXPECT_EQ(Tree("IF (a) x;"), "(if a x;)");
    // Case-sensitive, the capitalised keyword is a name and the sentence a call missing its ";".
    EXPECT_EQ(Tree("IF (a) x;", true), "FAIL");
    EXPECT_EQ(Tree("if (a) x;", true), "(if a x;)");
}

// An environment of its own: "si" reads as "if", "@" is a loose left-associative
// and a tight right-associative operator, and "!!" a postfix operator only.
class TOwnTableEnvironment : public TQuorinEnvironment {
public:
    TOwnTableEnvironment() {
        AddOperator("@", ofBinary, 120);
        AddOperator("@", ofBinaryRight, 215);
        AddOperator("!!", ofPostfix, 230);
    }
    bool SameName(const std::string& a, const std::string& b) override {
        auto canonical = [](const std::string& name) { return name == "si" ? "if" : name; };
        return StockSameName(canonical(a), canonical(b));
    }
};

TEST(Analyzer, OperatorsOfSeveralFormsAndAnOwnNameRule) {
    TOwnTableEnvironment environment;
    auto tree = [&](const std::string& source) {
        Quorin::TCodeAnalysis analysis(&environment, source);
        auto macro = analysis.AnalyzeSource();
        return macro ? macro->Describe() : "FAIL";
    };
    // Where the loose row is below the bound, the tight one still applies.
    EXPECT_EQ(tree("a + b @ c;"), "(+ a (@ b c));");
    EXPECT_EQ(tree("a = b @ c;"), "(= a (@ b c));");
    EXPECT_EQ(tree("a @ b || c;"), "(@ a (|| b c));");
    EXPECT_EQ(tree("a!!;"), "(post!! a);");
    EXPECT_EQ(tree("a!! + b;"), "(+ (post!! a) b);");
    EXPECT_EQ(tree("!!a;"), "FAIL");
    EXPECT_EQ(tree("a !! b;"), "FAIL");
    // Every word of the same text reads the same, wherever it stands.
    EXPECT_EQ(tree("si (si) si; if (x) { si (if) y; }"), "(if si si;) (if x {(if if y;)})");
}

TEST(Analyzer, TooDeepNestingFailsCleanly) {
    TQuorinEnvironment environment;
    Quorin::TCodeAnalysis shallow(&environment,
                                  std::string(1000, '(') + "x" + std::string(1000, ')') + ";");
    EXPECT_NE(shallow.AnalyzeSource(), nullptr);
    EXPECT_FALSE(shallow.TooDeep());
}

// Words keep their texts' numbers in 28 bits, which a longer text could outgrow.
TEST(Analyzer, TextsLongerThanTheBoundAreRefused) {
    TQuorinEnvironment environment;
    try {
        Quorin::TCodeAnalysis analysis(&environment,
                                       std::string(Quorin::Limits::maxSourceBytes + 1, ' '));
        FAIL() << "a text over the bound was taken";
    } catch (const Quorin::EQuorinSyntaxError& error) {
        EXPECT_EQ(error.message, Quorin::Messages::SourceTooLong(Quorin::Limits::maxSourceBytes));
    }
}

TEST(Analyzer, ExpandsTheGrammarTables) {
    std::vector<Quorin::TItemId> firsts, continuations;
    Quorin::TCodeAnalysis::ExpandItemId(firsts, continuations, Quorin::idSentenceOrLabel);
    EXPECT_EQ(firsts, (std::vector<Quorin::TItemId>{15, 18, 19, 20, 21, 22, 23, 24, 25, 13}));
    EXPECT_TRUE(continuations.empty());
    firsts.clear();
    Quorin::TCodeAnalysis::ExpandItemId(firsts, continuations, Quorin::idVoidableExpression);
    EXPECT_EQ(firsts, (std::vector<Quorin::TItemId>{7, 8, 6, 5, 3}));
    EXPECT_EQ(continuations, (std::vector<Quorin::TItemId>{11, 9, 10}));
    EXPECT_THROW(Quorin::TCodeAnalysis::CreateItem(nullptr, Quorin::idExpression),
                 Quorin::EQuorinFatalError);
}

}  // namespace
