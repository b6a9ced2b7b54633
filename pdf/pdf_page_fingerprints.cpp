#include "pdf/pdf_page_fingerprints.h"

#include <QCryptographicHash>

#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjGen.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <cstring>
#include <map>
#include <set>

namespace {

// Digests of a document's objects, each indirect object digested once: the
// fonts and symbols that every sheet shares are read a single time.
class T_Object_Digests {
public:
    QByteArray Of(QPDFObjectHandle Object)
    {
        QCryptographicHash hash(QCryptographicHash::Sha256);
        Feed(hash, Object);
        return hash.result();
    }

private:
    static void Feed_Bytes(QCryptographicHash& Hash, char Tag, const char* Bytes, std::size_t Size)
    {
        // Tag and length first, so that no two sequences of parts run into
        // the same bytes.
        const std::uint64_t size = Size;
        Hash.addData(QByteArrayView(&Tag, 1));
        Hash.addData(QByteArrayView(reinterpret_cast<const char*>(&size), sizeof size));
        Hash.addData(QByteArrayView(Bytes, qsizetype(Size)));
    }
    static void Feed_Text(QCryptographicHash& Hash, char Tag, const std::string& Text)
    {
        Feed_Bytes(Hash, Tag, Text.data(), Text.size());
    }

    void Feed(QCryptographicHash& Hash, QPDFObjectHandle Object)
    {
        if (!Object.isIndirect()) {
            Feed_Direct(Hash, Object);
            return;
        }
        const QPDFObjGen id = Object.getObjGen();
        if (auto done = Done.find(id); done != Done.end()) {
            Feed_Bytes(Hash, 'R', done->second.constData(), std::size_t(done->second.size()));
            return;
        }
        // An object that refers back to one being digested (an annotation
        // to its page) adds a mark: its content is in the outer digest.
        if (!Open.insert(id).second) {
            Feed_Text(Hash, 'C', {});
            return;
        }
        QCryptographicHash own(QCryptographicHash::Sha256);
        Feed_Direct(own, Object);
        Open.erase(id);
        const QByteArray digest = own.result();
        Done.emplace(id, digest);
        Feed_Bytes(Hash, 'R', digest.constData(), std::size_t(digest.size()));
    }

    void Feed_Dictionary(QCryptographicHash& Hash, QPDFObjectHandle Dictionary)
    {
        Feed_Text(Hash, 'D', {});
        for (const std::string& key : Dictionary.getKeys()) {
            // Links up the page tree and from annotations to their page
            // lead to other pages; a page's inherited values were copied
            // onto it first.
            if (key == "/Parent" || key == "/P")
                continue;
            Feed_Text(Hash, 'K', key);
            Feed(Hash, Dictionary.getKey(key));
        }
        Feed_Text(Hash, 'E', {});
    }

    void Feed_Direct(QCryptographicHash& Hash, QPDFObjectHandle Object)
    {
        if (Object.isStream()) {
            Feed_Dictionary(Hash, Object.getDict());
            // The bytes as stored (decrypted, still filtered): equal stored
            // bytes under equal filters decode alike.
            const std::shared_ptr<Buffer> data = Object.getRawStreamData();
            Feed_Bytes(Hash, 'S', reinterpret_cast<const char*>(data->getBuffer()),
                       data->getSize());
        } else if (Object.isDictionary()) {
            Feed_Dictionary(Hash, Object);
        } else if (Object.isArray()) {
            const int count = Object.getArrayNItems();
            Feed_Text(Hash, 'A', std::to_string(count));
            for (int item = 0; item < count; ++item)
                Feed(Hash, Object.getArrayItem(item));
        } else {
            Feed_Text(Hash, 'V', Object.unparse());
        }
    }

    std::map<QPDFObjGen, QByteArray> Done;
    std::set<QPDFObjGen> Open;
};

std::uint64_t Fingerprint_Of(const QByteArray& Digest, const QByteArray& Document_Digest)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(Digest);
    hash.addData(Document_Digest);
    const QByteArray both = hash.result();
    std::uint64_t fingerprint = 0;
    std::memcpy(&fingerprint, both.constData(), sizeof fingerprint);
    // Zero means "not known" to the page pairing.
    return fingerprint == 0 ? 1 : fingerprint;
}

} // namespace

std::vector<std::uint64_t> Pdf_Page_Fingerprints(const std::string& file)
{
    try {
        QPDF document;
        document.setSuppressWarnings(true);
        document.setAttemptRecovery(false);
        document.processFile(file.c_str());
        document.pushInheritedAttributesToPage();
        T_Object_Digests digests;
        // Settings of the whole document that change how its pages are
        // drawn: which layers show, and how form fields look.
        QPDFObjectHandle root = document.getRoot();
        const QByteArray document_digest =
            digests.Of(root.getKey("/OCProperties")) + digests.Of(root.getKey("/AcroForm"));
        std::vector<std::uint64_t> fingerprints;
        for (QPDFObjectHandle page : document.getAllPages())
            fingerprints.push_back(Fingerprint_Of(digests.Of(page), document_digest));
        if (document.anyWarnings())
            return {};
        return fingerprints;
    } catch (const std::exception&) {
        return {};
    }
}
