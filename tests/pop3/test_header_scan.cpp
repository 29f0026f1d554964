// The header scan over captured lines: what each header line sets, and where
// the scan stops. (The scan from the connection is driven through
// RetrieveMessage in the scripted-server tests.)

#include "pop3/pop3_client.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

struct Scanned {
    std::string subject, from, contentType, messageId, boundary, transferEncoding, partFileName;
};

struct ScanCase {
    const char* label;
    std::vector<std::string> lines;
    // Only the fields given are checked; the rest must stay at "untouched".
    std::optional<std::string> subject, from, contentType, messageId, boundary, transferEncoding, partFileName;
};

const std::string kUntouched = "untouched";

void PrintTo(const ScanCase& c, std::ostream* os) { *os << c.label; }

class HeaderScanTest : public ::testing::TestWithParam<ScanCase> {};

TEST_P(HeaderScanTest, SetsTheFieldsItsLinesName)
{
    const ScanCase& c = GetParam();
    TPop3Client client;
    TMailMessage& message = client.MailMessage();
    for (std::string* field : {&message.Subject, &message.From, &message.ContentType, &message.MessageId})
        *field = kUntouched;
    client.TransferEncoding = kUntouched;
    client.PartFileName = kUntouched;
    message.Boundary = kUntouched;
    TMailMessage target;
    target.Boundary = kUntouched;
    for (const std::string& line : c.lines)
        message.RawLines.Add(line);
    client.PartMode = pmBody;
    LineCursor = 0;

    client.ReadHeaderLines(true, target);

    EXPECT_EQ(message.Subject, c.subject.value_or(kUntouched));
    EXPECT_EQ(message.From, c.from.value_or(kUntouched));
    EXPECT_EQ(message.ContentType, c.contentType.value_or(kUntouched));
    EXPECT_EQ(message.MessageId, c.messageId.value_or(kUntouched));
    EXPECT_EQ(target.Boundary, c.boundary.value_or(kUntouched));
    EXPECT_EQ(client.TransferEncoding, c.transferEncoding.value_or(kUntouched));
    EXPECT_EQ(client.PartFileName, c.partFileName.value_or(kUntouched));
    EXPECT_EQ(message.Boundary, kUntouched) << "a part's boundary goes to the target only";
    EXPECT_TRUE(message.Header.Empty()) << "part header lines are not collected";
    EXPECT_EQ(client.PartMode, pmBody);
}

ScanCase Row(const char* label, std::vector<std::string> lines)
{
    ScanCase c;
    c.label = label;
    c.lines = std::move(lines);
    return c;
}

std::vector<ScanCase> Rows()
{
    std::vector<ScanCase> rows;
    auto add = [&](ScanCase c) { rows.push_back(std::move(c)); };
    ScanCase c;

    c = Row("subject_keeps_the_blank", {"Subject: Hello", ""});
    c.subject = " Hello";
    add(c);
    c = Row("subject_small_letters", {"subject: Hello", ""});
    c.subject = " Hello";
    add(c);
    c = Row("subject_without_blank_is_no_subject", {"Subject:Hello", ""});
    add(c);
    c = Row("subject_alone", {"Subject:", ""});
    c.subject = "";
    add(c);
    c = Row("folded_subject_first_line_only", {"Subject: first", " second", "\tthird", ""});
    c.subject = " first";
    add(c);
    c = Row("last_subject_wins", {"Subject: one", "Subject: two", ""});
    c.subject = " two";
    add(c);
    c = Row("subject_cut_at_256", {"Subject: " + std::string(300, 's'), ""});
    c.subject = " " + std::string(255, 's');
    add(c);
    c = Row("from_and_message_id", {"From: a@b.example", "Message-ID: <1@b.example>", ""});
    c.from = "a@b.example";
    c.messageId = "<1@b.example>";
    add(c);
    c = Row("content_type_with_boundary", {"Content-Type: multipart/mixed; boundary=\"=_b1\"", ""});
    c.contentType = "multipart/mixed; boundary=\"=_b1\"";
    c.boundary = "=_b1";
    add(c);
    c = Row("boundary_on_continuation_line", {"Content-Type: multipart/mixed;", "\tBoundary=\"xyz\"; charset=x", ""});
    c.contentType = "multipart/mixed;";
    c.boundary = "xyz";
    add(c);
    c = Row("boundary_unquoted_cut_at_semicolon", {"\tboundary=abc;type=x", ""});
    c.boundary = "abc";
    add(c);
    c = Row("boundary_unquoted_cut_at_blank", {"\tboundary=abc type=x", ""});
    c.boundary = "abc";
    add(c);
    c = Row("boundary_unclosed_quote_runs_to_end", {"\tboundary=\"abc", ""});
    c.boundary = "abc";
    add(c);
    c = Row("boundary_empty", {"\tboundary=\"\"", ""});
    c.boundary = "";
    add(c);
    c = Row("transfer_encoding", {"Content-Transfer-Encoding: base64", ""});
    c.transferEncoding = "base64";
    add(c);
    c = Row("transfer_encoding_any_case", {"content-transfer-encoding: X-UUENCODE", ""});
    c.transferEncoding = "X-UUENCODE";
    add(c);
    c = Row("filename_in_disposition", {"Content-Disposition: attachment; filename=\"report.pdf\"", ""});
    c.partFileName = "report.pdf";
    add(c);
    c = Row("name_in_content_type", {"Content-Type: application/pdf; name=\"a b.pdf\"", ""});
    c.contentType = "application/pdf; name=\"a b.pdf\"";
    c.partFileName = "a b.pdf";
    add(c);
    c = Row("received_host_name_empties_the_name", {"Received: from host by hostname.example", ""});
    c.partFileName = "";
    add(c);
    c = Row("name_without_closing_quote", {"\tfilename=\"open.txt", ""});
    c.partFileName = "open.txt";
    add(c);
    c = Row("stops_at_empty_line", {"Subject: a", "", "Subject: b"});
    c.subject = " a";
    add(c);
    c = Row("reads_through_delimiter_lines", {"Subject: a", "--b1", "Subject: b", ""});
    c.subject = " b";
    add(c);
    c = Row("runs_out_of_lines", {"Subject: a"});
    c.subject = " a";
    add(c);
    return rows;
}

INSTANTIATE_TEST_SUITE_P(Rows, HeaderScanTest, ::testing::ValuesIn(Rows()),
                         [](const auto& row) { return std::string(row.param.label); });

TEST(HeaderScan, ConsumesItsEmptyLineAndNoMore)
{
    TPop3Client client;
    for (const char* line : {"Content-Type: text/plain", "", "body", ""})
        client.MailMessage().RawLines.Add(line);
    client.PartMode = pmFile;
    LineCursor = 0;
    TMailMessage target;
    client.ReadHeaderLines(true, target);
    EXPECT_EQ(LineCursor, 2);
    EXPECT_EQ(client.PartMode, pmFile);
    client.ReadHeaderLines(true, target);
    EXPECT_EQ(LineCursor, 4);
    client.ReadHeaderLines(true, target);  // nothing left: returns at once
    EXPECT_EQ(LineCursor, 4);
}

}  // namespace
