"""The exception every failure of the library raises."""


class Error(Exception):
    """A library error: its number, the source that raised it ("Class::member") and its
    description, exactly as the C++ library gives them."""

    def __init__(self, number: int, source: str, description: str) -> None:
        super().__init__(number, source, description)
        self.number = number
        self.source = source
        self.description = description

    def __str__(self) -> str:
        where = f", {self.source}" if self.source else ""
        return f"{self.description} (error {self.number}{where})"
