#include "app/MainWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QUrl>
#include <exception>

#include "app/CommandLine.h"
#include "platform/Dialogs.h"
#include "support/Files.h"
#include "support/FindDirectory.h"
#include "support/LocalText.h"

namespace app {

using support::local;

namespace {

void resetCursor() {
    while (QApplication::overrideCursor() != nullptr) QApplication::restoreOverrideCursor();
}

// Labels keep their place but grow where the platform's font needs more room than the layout
// was drawn for.
void placeLabel(QLabel* label, int left, int top, int width, int height) {
    const QFontMetrics metrics = label->fontMetrics();
    label->setGeometry(left, top, std::max(width, metrics.horizontalAdvance(label->text()) + 2),
                       std::max(height, metrics.height()));
}

// A field's text as the file system's bytes. What the program put there keeps its exact bytes
// for as long as the field shows it unchanged: bytes that are not UTF-8 (Latin-1 names on old
// shares) have no text of their own, and the text would give other bytes back.
constexpr const char* BytesProperty = "deckshotBytes";

void setBytes(QLineEdit* field, const std::string& bytes) {
    field->setProperty(BytesProperty,
                       QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
    field->setText(local(bytes));
}

std::string bytesOf(const QLineEdit* field) {
    const std::string kept = field->property(BytesProperty).toByteArray().toStdString();
    if (!kept.empty() && local(kept) == field->text())
        return kept;
    return local(field->text());
}

// The local file that a drop names, by its bytes: file managers drop file:// URIs.
std::optional<std::string> droppedFile(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls())
        return std::nullopt;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1())
                .toStdString();
    }
    return std::nullopt;
}

}  // namespace

TForm1::TForm1(ProgramServices services, const Options& options, ConvertAction convert,
               QWidget* parent)
    : QWidget(parent), services_(services), options_(options), convert_(std::move(convert)) {
    setWindowTitle(QStringLiteral("Convert PowerPoint slides to JPEG or BMP files"));
    resize(378, 247);  // client area of the 386 x 274 window
    // The layout was drawn for an 8-point font; the platform's family, at that size.
    QFont font = this->font();
    font.setPointSize(8);
    setFont(font);
    // Hints show also while another window has the focus.
    setAttribute(Qt::WA_AlwaysShowToolTips);

    Convert = new QPushButton(QStringLiteral("Convert"), this);
    Convert->setGeometry(144, 216, 75, 25);
    Convert->setToolTip(QStringLiteral("Convert slides in PowerPoint file . Press Esc to stop."));

    FileName = new QLineEdit(this);
    FileName->setGeometry(40, 16, 201, 21);
    FileName->setToolTip(QStringLiteral("Enter name of PowerPoint file or click on Browse..."));

    Browse = new QPushButton(QStringLiteral("Browse..."), this);
    Browse->setGeometry(256, 16, 75, 25);
    Browse->setToolTip(QStringLiteral("Look for a PowerPoint file"));

    Label1 = new QLabel(QStringLiteral("PowerPoint file name:"), this);
    placeLabel(Label1, 40, 0, 102, 13);

    allslides = new QRadioButton(QStringLiteral("Convert all slides"), this);
    allslides->setGeometry(40, 136, 113, 17);
    allslides->setChecked(true);

    SomeSlides = new QRadioButton(QStringLiteral("Convert from slide"), this);
    SomeSlides->setGeometry(40, 160, 105, 17);

    Fslide = new QComboBox(this);
    Fslide->setGeometry(152, 160, 49, 21);

    Label2 = new QLabel(QStringLiteral("to slide"), this);
    placeLabel(Label2, 208, 160, 33, 13);

    Tslide = new QComboBox(this);
    Tslide->setGeometry(248, 160, 49, 21);

    for (QComboBox* box : {Fslide, Tslide}) {
        box->setEditable(true);
        // Enter on a typed number picks that item; nothing new is ever added to the list.
        box->setInsertPolicy(QComboBox::NoInsert);
        box->setEditText(QStringLiteral("1"));
        // Only what the user does fires the handler: a choice from the list or typing.
        connect(box, &QComboBox::activated, this, [this] { FslideChange(); });
        connect(box->lineEdit(), &QLineEdit::textEdited, this, [this] { FslideChange(); });
    }

    OutputDir = new QLineEdit(this);
    OutputDir->setGeometry(40, 64, 201, 21);
    OutputDir->setToolTip(QStringLiteral("Enter name of directory or click on Browse..."));

    Label3 = new QLabel(QStringLiteral("Directory to contain output files:"), this);
    placeLabel(Label3, 40, 48, 149, 13);

    BrowseDir = new QPushButton(QStringLiteral("Browse..."), this);
    BrowseDir->setGeometry(256, 64, 75, 25);
    BrowseDir->setToolTip(
        QStringLiteral("Look for a directory into which the output files are to be written."));

    OfileName = new QLineEdit(QStringLiteral("_#"), this);
    OfileName->setGeometry(40, 112, 201, 21);
    OfileName->setToolTip(QStringLiteral(
        "Specify the format of the output file name - #  will be replaced  by the  slide number"));
    OfileName->hide();

    OfileNameLabel = new QLabel(QStringLiteral("Format of output file names"), this);
    placeLabel(OfileNameLabel, 40, 96, 127, 13);
    OfileNameLabel->hide();

    ConvertTo = new QComboBox(this);
    ConvertTo->setGeometry(40, 184, 105, 21);
    ConvertTo->setEditable(true);
    ConvertTo->setInsertPolicy(QComboBox::NoInsert);
    ConvertTo->addItems({QStringLiteral("Convert to *.jpg"), QStringLiteral("Convert to *.bmp"),
                         QStringLiteral("Convert to *.gif"), QStringLiteral("Convert to *.png")});
    ConvertTo->setEditText(QStringLiteral("Convert to *.jpg"));

    const QWidget* order[] = {Convert, FileName,  Browse,    allslides, SomeSlides, Fslide,
                              Tslide,  OutputDir, BrowseDir, OfileName, ConvertTo};
    for (std::size_t i = 1; i < std::size(order); ++i) {
        setTabOrder(const_cast<QWidget*>(order[i - 1]), const_cast<QWidget*>(order[i]));
    }
    for (QLabel* label : {Label1, Label2, Label3, OfileNameLabel})
        label->setFocusPolicy(Qt::NoFocus);

    connect(Convert, &QPushButton::clicked, this, [this] {
        // Qt lets no exception out of a slot: this is the general error display of a click.
        try {
            ConvertClick();
        } catch (const std::exception& error) {
            showUnhandledError(error);
        }
    });
    connect(FileName, &QLineEdit::textChanged, this, [this] { FileNameChange(); });
    // A file dropped on the window or on its field names the presentation.
    setAcceptDrops(true);
    FileName->installEventFilter(this);
    connect(Browse, &QPushButton::clicked, this, [this] { BrowseClick(); });
    connect(BrowseDir, &QPushButton::clicked, this, [this] { BrowseDirClick(); });

    showDirectoryChooser = [this] {
        if (findDir_ != nullptr)
            findDir_->exec();
    };

    // The window-creation guard: what escapes FormCreate is shown, and the window opens.
    try {
        FormCreate();
    } catch (const std::exception& error) {
        showUnhandledError(error);
    }
    fitToText();
}

void TForm1::fitToText() {
    // Controls whose text needs more room in the platform's font grow to the right; the ones
    // after them in the slide-range row move along, keeping the gaps they were drawn with.
    for (QWidget* control :
         std::initializer_list<QWidget*>{allslides, SomeSlides, Fslide, Tslide, ConvertTo}) {
        control->resize(std::max(control->width(), control->sizeHint().width()), control->height());
    }
    QWidget* row[] = {SomeSlides, Fslide, Label2, Tslide};
    const int drawnGap = 7;
    for (std::size_t i = 1; i < std::size(row); ++i) {
        const int left = row[i - 1]->geometry().right() + 1 + drawnGap;
        if (row[i]->x() < left)
            row[i]->move(left, row[i]->y());
    }
}

void TForm1::FormCreate() {
    OutputFiles.clear();
    for (int slide = 1; slide <= SlideBoxItems; ++slide) {
        Fslide->addItem(QString::number(slide));
        Tslide->addItem(QString::number(slide));
    }
    for (QComboBox* box : {Fslide, Tslide}) {
        box->setCurrentIndex(-1);
        box->setEditText(QStringLiteral("1"));
    }

    CommandLineRequest read;
    try {
        ShowCommandLine(options_, services_.dialogs, read);
    } catch (...) {
        // What was read before the error stays in the fields.
        showInControls(read);
        showOptionsInControls();
        throw;
    }
    showInControls(read);
    showOptionsInControls();
    switch (read.action) {
        case CommandLineRequest::Action::Interactive:
            return;
        case CommandLineRequest::Action::Usage:
            requestQuit();
            return;
        case CommandLineRequest::Action::Refused:
            BatchMode = true;
            runFailed = true;
            break;
        case CommandLineRequest::Action::Convert:
            BatchMode = true;
            ConvertClick();
            break;
    }
    requestQuit();
}

void TForm1::showInControls(const CommandLineRequest& read) {
    if (read.fileName)
        setBytes(FileName, *read.fileName);
    if (read.outputDir)
        setBytes(OutputDir, *read.outputDir);
    if (read.someSlides)
        SomeSlides->setChecked(true);
    // Selections made here fire no handler: only what the user does.
    if (read.firstPosition)
        Fslide->setCurrentIndex(*read.firstPosition);
    if (read.lastPosition)
        Tslide->setCurrentIndex(*read.lastPosition);
    if (read.firstSlide && read.lastSlide)
        askedSlides_ = AskedSlides{*read.firstSlide, *read.lastSlide, Fslide->currentIndex(),
                                   Tslide->currentIndex()};
    if (!read.formatOverride.empty())
        FormatOverride = read.formatOverride;
}

void TForm1::showOptionsInControls() {
    if (!options_.name)
        return;
    // After the file name, whose change filled the field: typed in, every "#" is the number.
    setBytes(OfileName, *options_.name);
    deckNameInPattern_.clear();
}

void TForm1::FileNameChange() {
    deckNameInPattern_ = support::BaseFileName(bytesOf(FileName));
    setBytes(OfileName, deckNameInPattern_ + "_#");
    OfileNameLabel->show();
    OfileName->show();
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
    if (droppedFile(event->mimeData()))
        event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event) {
    if (const std::optional<std::string> file = droppedFile(event->mimeData())) {
        setBytes(FileName, *file);
        event->acceptProposedAction();
    }
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    // The field would insert the URI's text; a file is taken as the window takes it.
    if (watched == FileName) {
        if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            if (droppedFile(drag->mimeData())) {
                drag->acceptProposedAction();
                return true;
            }
        } else if (event->type() == QEvent::Drop) {
            auto* drop = static_cast<QDropEvent*>(event);
            if (droppedFile(drop->mimeData())) {
                dropEvent(drop);
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TForm1::FslideChange() {
    allslides->setChecked(false);
    SomeSlides->setChecked(true);
    if (Tslide->currentIndex() < Fslide->currentIndex()) {
        Tslide->setCurrentIndex(Fslide->currentIndex());
    }
}

void TForm1::BrowseClick() {
    const std::optional<std::string> chosen = services_.dialogs.openFile(OpenDialog1.filters);
    if (chosen)
        setBytes(FileName, *chosen);
}

void TForm1::BrowseDirClick() {
    if (findDir_ == nullptr)
        return;
    findDir_->FindDirPath = DirectoryPart(bytesOf(FileName));
    findDir_->AllowNewFolder = true;
    if (showDirectoryChooser)
        showDirectoryChooser();
    // Also after the chooser was closed without a choice.
    setBytes(OutputDir, findDir_->FindDirPath);
}

ConversionRequest TForm1::request() const {
    ConversionRequest request;
    request.fileName = bytesOf(FileName);
    request.allSlides = allslides->isChecked();
    request.firstPosition = Fslide->currentIndex();
    request.lastPosition = Tslide->currentIndex();
    if (askedSlides_ && askedSlides_->firstPosition == request.firstPosition &&
        askedSlides_->lastPosition == request.lastPosition) {
        request.firstSlide = askedSlides_->first;
        request.lastSlide = askedSlides_->last;
    }
    request.outputDir = bytesOf(OutputDir);
    request.formatText = local(ConvertTo->currentText());
    request.formatOverride = FormatOverride;
    request.pattern = bytesOf(OfileName);
    request.deckNameInPattern = deckNameInPattern_;
    request.batchMode = BatchMode;
    request.captureKeys = CaptureKeys;
    ApplyRunOptions(options_, request);
    return request;
}

void TForm1::ConvertClick() {
    if (convert_) {
        convert_(*this);
        return;
    }
    ConversionRequest asked = request();
    Conversion conversion(services_, *this);
    try {
        conversion.run(asked);
    } catch (...) {
        takeResult(conversion.result(), conversion.result().started);
        throw;
    }
    takeResult(conversion.result(), conversion.result().started);
}

void TForm1::ConvertPPT() {
    Conversion conversion(services_, *this);
    try {
        conversion.exportSlides(request());
    } catch (...) {
        takeResult(conversion.result(), false);
        throw;
    }
    takeResult(conversion.result(), false);
}

void TForm1::takeResult(const ConversionResult& result, bool replacesOutputFiles) {
    if (replacesOutputFiles)
        OutputFiles.clear();
    OutputFiles.insert(OutputFiles.end(), result.OutputFiles.begin(), result.OutputFiles.end());
    if (result.failed)
        runFailed = true;
}

void TForm1::beginRun(const ConversionRequest& request) {
    // The directory the command filled in stays in the field.
    setBytes(OutputDir, request.outputDir);
    captionBeforeRun_ = windowTitle();
}

void TForm1::showCaption(const std::string& text) {
    setWindowTitle(local(text));
    repaint();
}

void TForm1::showBusy() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void TForm1::endRun() {
    setWindowTitle(captionBeforeRun_);
    resetCursor();
}

void TForm1::minimizeApplication() {
    if (isVisible())
        showMinimized();
}

void TForm1::restoreApplication() {
    if (isVisible())
        showNormal();
}

void TForm1::showUnhandledError(const std::exception& error) {
    resetCursor();
    services_.dialogs.message(GeneralErrorText(error));
    runFailed = true;
}

void TForm1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (centred_)
        return;
    centred_ = true;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect frame = frameGeometry();
        move(screen->availableGeometry().center() - QPoint(frame.width() / 2, frame.height() / 2));
    }
}

}  // namespace app
