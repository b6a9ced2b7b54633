// The paged documents of a build without Qt's PDF module: PDF files are
// refused with the reason, every other paged kind goes to its application.
#include "pdf/document_exporters.h"
#include "platform/os_platform.h"
#include "pdf/pdf_page_signatures.h"
#include "pdf/pdf_page_redraw.h"
#include "pdf/pdf_region_render.h"
#include "pdf/pdf_region_text.h"
#include "pdf/pdf_substituted_fonts.h"
#include "automation/u_exporters.h"

namespace {

// Opens nothing: every PDF is refused with the same reason.
class T_Pdf_Refusal : public T_Base_Multipage_Wrapper {
public:
    bool Start_App() override { return true; }
    bool Quit_App() override { return true; }
    bool Close_Doc(int) override { return false; }
    T_Open_Result Open_Doc(const std::string& File_Name, int&, std::string& Error_Text) override
    {
        if (!os::File_Exists(File_Name))
            return T_Open_Result::No_File;
        Error_Text = "This copy of Varnolt was built without PDF support.";
        return T_Open_Result::Automation_Error;
    }

protected:
    void Export_Page_File(int, int, const std::string&) override {}
};

} // namespace

std::unique_ptr<T_Base_Multipage_Wrapper> Create_Document_Exporter(T_Paged_Kind paged_kind)
{
    if (paged_kind == T_Paged_Kind::Pdf)
        return Make_Exporter<T_Pdf_Refusal>();
    return Create_Exporter(paged_kind);
}

std::vector<T_Page_Signature> Pdf_Page_Signatures(const std::string&, const std::atomic<bool>&)
{
    return {};
}

T_Pair_Signatures Pdf_Pair_Signatures(const std::string&, const std::string&,
                                      const std::atomic<bool>&)
{
    return {};
}

struct T_Pdf_Text_Layer::T_Document {};

T_Pdf_Text_Layer::T_Pdf_Text_Layer(const std::string& File) : File_(File) {}

T_Pdf_Text_Layer::~T_Pdf_Text_Layer() = default;

const T_Page_Words& T_Pdf_Text_Layer::Words(int Page) { return Pages_[Page]; }

struct T_Pdf_Page_Redraw::T_Document {};

T_Pdf_Page_Redraw::T_Pdf_Page_Redraw(const std::string&) {}

T_Pdf_Page_Redraw::~T_Pdf_Page_Redraw() = default;

QImage T_Pdf_Page_Redraw::Page(int) { return {}; }

struct T_Pdf_Region_Renderer::T_Documents {};

T_Pdf_Region_Renderer::T_Pdf_Region_Renderer() = default;

T_Pdf_Region_Renderer::~T_Pdf_Region_Renderer() = default;

QImage T_Pdf_Region_Renderer::Render(const std::string&, int, const QSize&, const QRect&)
{
    return {};
}

// No page is drawn, so none is drawn again.
bool Pdf_Page_Substitutes_Fonts(const std::string&, int) { return false; }
