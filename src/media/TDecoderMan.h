#pragma once
// The decoder manager: puts a decoder between two elements of a graph (a source's notifier and
// a renderer) and lets the user step through the decoders that can serve the stream.
//
// The choice runs in phases: first the preferred decoders (`Candidates`, the private filters)
// in order, then the automatic connection, our own walk of the registry by caps and rank in
// which the decoders of `Excluded` are kept out. The decoder that ends up serving a media type
// is remembered in the learned links. Behind the decoder go the owner's post filters
// (`PostFilter1`, `PostFilter2`), so that the chain reads: upstream, [parser], decoder, post
// filter 1, post filter 2, downstream. Main thread only; the chain is changed while the
// upstream output is held, so no sample reaches a half-made chain.
#include "media/TDecoderLinks.h"

#include "media/TGrapheMan.h"
#include "media/TPictureStamper.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <memory>

class TDecoderMan : public QObject
{
    Q_OBJECT
public:
    explicit TDecoderMan(QObject *parent = nullptr);
    ~TDecoderMan() override;

    void Configure(TDecoderLinks *defaults, TDecoderLinks *learned, TFilterRec *noneRec);

    // Connects the output of upstream to the input of downstream through a decoder.
    bool ConnectDecoder(GstElement *upstream, GstElement *downstream);
    // Removes the decoder and everything between the two elements; Current := NoneRec.
    bool DisconnectDecoder();
    // Switches to the next decoder and leaves the graph playing or paused as it was (the
    // stream restarts at the position it had); true when the stream is connected again.
    bool NextDecoder();
    // Back to the first candidate with nothing excluded (a new source is being connected).
    void ResetChoice();

    bool TryDecoder(TFilterRec *rec);
    // Identifies Current, learns the link and inserts the post filters; on failure everything
    // between the two elements is removed.
    bool AfterConnect(TFilterRec *tried = nullptr);

    // The stream's key as read at the last connection.
    TMediaKey Key() const { return {MajorType, SubType, FormatType}; }
    // The element of Current in the graph (none without a decoder).
    GstElement *DecoderElement() const;
    // The factory name of the decoder in use (empty without a decoder).
    QByteArray CurrentFactory() const;

    TDecoderLinks *Defaults = nullptr;
    TDecoderLinks *Learned = nullptr;
    TFilterRec *NoneRec = nullptr;
    // Guarded: a decoder change runs the state changes' notifications and the messages sent
    // by streaming threads, and what they do may take the graph from this manager.
    QPointer<TGrapheMan> Graph;
    TGstElement Upstream, Downstream;
    TGuid MajorType, SubType, FormatType;
    QList<TFilterRec *> Candidates;
    TFilterRec *PostFilter1 = nullptr;
    TFilterRec *PostFilter2 = nullptr;
    TFilterRec *Current = nullptr;
    int Phase = 0;
    int Next = 0;
    QStringList Excluded;

private:
    // The caps of the stream that leaves upstream (waits briefly for caps on their way).
    TGstCaps StreamCaps(GstElement *upstream);
    bool AutoConnect();
    // Links out -> [parser] -> decoder -> in; on failure undoes its own links and the parser.
    bool LinkThrough(GstElementFactory *parser, GstElement *decoder);
    bool InsertPostFilter(TFilterRec *rec);
    bool IsExcluded(GstElementFactory *f) const;
    void Exclude(const TGuid &clsid);
    void RestoreState(bool playing);

    TGstPad m_out; // upstream output
    TGstPad m_in;  // downstream input
    TGstCaps m_caps;
    GstElement *m_decoder = nullptr; // Current's element in the graph (borrowed; the graph holds it)
    TGstProbe m_stamp;               // display times from the pictures, on the decoder's input
    // The picture clock of the stream behind Upstream, kept for the next decoder on it.
    std::shared_ptr<TPictureStamper::TStreamClock> m_streamClock;
};
